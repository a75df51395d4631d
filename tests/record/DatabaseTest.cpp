#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RecordTestSupport.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "support/FailingFileCalls.h"
#include "support/PgnFiles.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

namespace fs = std::filesystem;

std::pair<int, std::string> lastError(const CDatabase& db)
{
    std::pair<int, std::string> error;
    db.getError(error.first, error.second);
    return error;
}

// The error code of a change or an open that was refused; 0 when it was done.
int refusal(const CDatabase& db, bool done)
{
    return done ? 0 : lastError(db).first;
}

class DatabaseTest : public ::testing::Test {
protected:
    std::unique_ptr<CPgnGame> newGame(const char* white)
    {
        auto game = test::readPgn("[White \"" + std::string(white) + "\"]\n1.d4 d5 2.c4 *");
        game->setFormat(kFilePgnFormat);
        return game;
    }

    TempFolder folder;
    std::string path = folder.file("games.pgn");
    CPgnParser parser;
};

TEST_F(DatabaseTest, NavigationWrapsAround)
{
    TempFolder::write(
        path, "[White \"a\"]\n1.e4 *\n\n[White \"b\"]\n1.d4 *\n\n[White \"c\"]\n1.c4 *\n");
    CDatabase db(parser);
    ASSERT_TRUE(db.open(path));
    EXPECT_EQ(db.prev()->white(), "c");
    EXPECT_EQ(db.next()->white(), "a");
    EXPECT_EQ(db.next()->white(), "b");
    EXPECT_EQ(db.loadCurrent()->white(), "b");
    EXPECT_EQ(db.gotoGame(2)->white(), "c");
    EXPECT_EQ(db.next()->white(), "a");
    EXPECT_FALSE(db.gotoGame(3));
    EXPECT_FALSE(db.gotoGame(-1));
}

TEST_F(DatabaseTest, EmptyMissingReadOnlyAndOtherFiles)
{
    TempFolder::write(path, "");
    CDatabase db(parser);
    EXPECT_TRUE(db.open(path));
    EXPECT_TRUE(db.getEntries().empty());
    EXPECT_FALSE(db.next());
    EXPECT_FALSE(db.prev());

    const std::string missing = folder.file("missing.pgn");
    EXPECT_FALSE(db.open(missing));
    EXPECT_EQ(lastError(db).second, "File not found " + missing);
    EXPECT_FALSE(db.deleteGame(0)) << "closed";
    auto game = newGame("New");
    const std::string nowhere = folder.file("no/such/folder.pgn");
    EXPECT_FALSE(db.append(nowhere, *game));
    EXPECT_EQ(lastError(db).second, "Could not open for appending " + nowhere);

    // A read-only file is refused by all three changes alike.
    const std::string text = realGames(2);
    TempFolder::write(path, text);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_TRUE(db.open(path)) << "reading is fine";
    EXPECT_EQ(refusal(db, db.append(path, *game)), CDatabase::ReadOnly);
    EXPECT_EQ(refusal(db, db.replaceGame(0, *game)), CDatabase::ReadOnly);
    EXPECT_EQ(refusal(db, db.deleteGame(1)), CDatabase::ReadOnly);
    EXPECT_EQ(TempFolder::read(path), text);

    // Opening a FIFO for reading would wait for a writer forever.
    const std::string fifo = folder.file("fifo.pgn");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(refusal(db, db.open(fifo)), CDatabase::NotRegularFile);
    EXPECT_EQ(refusal(db, db.append(fifo, *game)), CDatabase::NotRegularFile);
}

TEST_F(DatabaseTest, AppendClosesALastGameThatWasCutOff)
{
    struct Row {
        const char* name;
        const char* text;
        const char* closing; // written before the appended game; null: refused
    } rows[] = {
        { "complete", "[White \"a\"]\n\n1. e4 e5 1-0\n", "" },
        { "no line break at the end", "[White \"a\"]\n\n1. e4 e5 *", "\n" },
        { "no result token", "[White \"a\"]\n[Result \"1-0\"]\n\n1. e4 e5\n", "1-0\n" },
        { "cut inside a comment", "[White \"a\"]\n\n1. e4 {half a comm", "} *\n" },
        { "cut inside variations", "[White \"a\"]\n\n1. e4 (1. d4 (1. c4 c5", ")) *\n" },
        { "cut inside a line comment", "[White \"a\"]\n\n1. e4 ; a remark", "\n*\n" },
        { "brace in a tag", "[White \"a{\"]\n\n1. e4 *\n", "" },
        { "escaped quote ending a tag", "[Event \"It \\\"]\n[White \"a\"]\n\n1. e4 *\n", "" },
        { "empty file", "", "" },
        { "cut inside a tag", "[White \"a\"]\n[Event \"World Ch", nullptr },
    };
    for (const Row& row : rows) {
        const std::string text = row.text;
        TempFolder::write(path, text);
        CDatabase db(parser);
        auto game = newGame("b");
        const bool first = db.append(path, *game);
        ASSERT_EQ(first, row.closing != nullptr) << row.name;
        if (!row.closing) {
            EXPECT_EQ(lastError(db).first, CDatabase::IncompleteLastGame) << row.name;
            EXPECT_EQ(TempFolder::read(path), text) << row.name;
            continue;
        }
        EXPECT_EQ(TempFolder::read(path), text + row.closing + game->toString()) << row.name;
        ASSERT_TRUE(db.append(path, *game)) << row.name;
        EXPECT_EQ(readableGames(path), text.empty() ? 2 : 3) << row.name;
    }
}

TEST_F(DatabaseTest, ReplaceAndDeleteKeepTheOtherGamesByteForByte)
{
    const std::string text = realGames(3);
    auto replacement = newGame("Replaced");
    struct Row {
        const char* name;
        int game;
        bool replace;
        bool throughLink;
    } rows[] = {
        { "replace the middle game", 1, true, false },
        { "delete the first game", 0, false, false },
        { "delete the last game", 2, false, false },
        { "replace the last game", 2, true, false },
        { "delete through a link", 1, false, true },
    };
    for (const Row& row : rows) {
        TempFolder where;
        const std::string file = where.file("games.pgn");
        TempFolder::write(file, text);
        // A link to the database stays a link: the file it points to is rewritten.
        const std::string opened = row.throughLink ? where.file("link.pgn") : file;
        ASSERT_TRUE(!row.throughLink || ::symlink("games.pgn", opened.c_str()) == 0);
        CDatabase db(parser);
        ASSERT_TRUE(db.open(opened));
        std::vector<std::string> expected;
        for (const CDatabaseEntry& e : db.getEntries())
            expected.push_back(text.substr(std::size_t(e.start), std::size_t(e.end - e.start)));
        ASSERT_TRUE(row.replace ? db.replaceGame(row.game, *replacement) : db.deleteGame(row.game))
            << row.name;
        if (row.replace)
            expected[std::size_t(row.game)] = replacement->toString();
        else
            expected.erase(expected.begin() + row.game);
        std::string joined;
        for (const std::string& game : expected)
            joined += game;
        EXPECT_EQ(TempFolder::read(file), joined) << row.name;
        EXPECT_TRUE(fs::is_symlink(opened) == row.throughLink) << row.name;
        EXPECT_EQ(db.getEntries().size(), expected.size()) << row.name << ": reindexed";
        EXPECT_EQ(where.entryCount(), row.throughLink ? 2 : 1) << row.name << ": no leftovers";
    }
}

TEST_F(DatabaseTest, PlantedLinksAreNeverFollowed)
{
    TempFolder::write(path, realGames(2));
    const std::string victim = folder.file("victim");
    TempFolder::write(victim, "precious");
    // The fixed name of older versions, and the next names this process would choose.
    std::vector<std::string> traps = { path + ".tmp" };
    for (int n = 0; n < 50; ++n)
        traps.push_back(path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(n));
    for (const std::string& trap : traps)
        ASSERT_EQ(::symlink(victim.c_str(), trap.c_str()), 0);
    CDatabase db(parser);
    ASSERT_TRUE(db.open(path));
    const auto second = std::size_t(db.getEntries()[1].start);
    ASSERT_TRUE(db.deleteGame(0));
    EXPECT_EQ(TempFolder::read(victim), "precious");
    EXPECT_EQ(TempFolder::read(path), realGames(2).substr(second));
    EXPECT_EQ(folder.entryCount(), 2) << "the planted links went as leftovers";
}

TEST_F(DatabaseTest, ChangesByAnotherProgramAreNotOverwritten)
{
    // Another program puts a game in front (before the rewrite) or appends one while the
    // rewrite copies (found only by the check right before the rename).
    for (bool duringCopy : { false, true }) {
        TempFolder::write(path, realGames(3));
        CDatabase db(parser);
        ASSERT_TRUE(db.open(path));
        const std::string changed = duringCopy ? realGames(3) + "[White \"Intruder\"]\n1.e4 *\n"
                                               : "[White \"Intruder\"]\n1.e4 *\n\n" + realGames(3);
        FailingFileCalls calls;
        bool changedYet = false;
        calls.before = [&](const std::string& call) {
            if (!changedYet && (call == "pread" || !duringCopy))
                TempFolder::write(path, changed);
            changedYet = changedYet || call == "pread" || !duringCopy;
        };
        db.setFileCalls(&calls);
        EXPECT_FALSE(db.deleteGame(1)) << duringCopy;
        EXPECT_EQ(lastError(db).second, "The file was changed by another program: " + path);
        EXPECT_EQ(TempFolder::read(path), changed) << duringCopy;
        ASSERT_EQ(db.getEntries().size(), 4u) << "the index was rebuilt";
        EXPECT_EQ(folder.entryCount(), 1) << "no temporary file is left";
    }
}

TEST_F(DatabaseTest, TwoChangesAtOnceWaitForEachOther)
{
    const std::string text = realGames(4);
    TempFolder::write(path, text);
    CDatabase first(parser), second(parser);
    ASSERT_TRUE(first.open(path) && second.open(path));
    second.setLockWait(std::chrono::milliseconds(0));
    auto game = newGame("New");
    // While the first rewrite copies, the second one and an append find the file locked.
    FailingFileCalls calls;
    bool tried = false;
    calls.before = [&](const std::string& call) {
        if (call != "pread" || tried)
            return;
        tried = true;
        EXPECT_EQ(refusal(second, second.deleteGame(2)), CDatabase::FileInUse);
        EXPECT_EQ(refusal(second, second.append(path, *game)), CDatabase::FileInUse);
    };
    first.setFileCalls(&calls);
    const auto kept = std::size_t(first.getEntries()[1].start);
    ASSERT_TRUE(first.deleteGame(0));
    EXPECT_TRUE(tried);
    EXPECT_EQ(TempFolder::read(path), text.substr(kept));
    // The second database's index is stale now: refused, reindexed, then done.
    EXPECT_EQ(refusal(second, second.deleteGame(2)), CDatabase::ChangedOnDisk);
    EXPECT_TRUE(second.deleteGame(2));
    EXPECT_EQ(readableGames(path), 2);
}

TEST_F(DatabaseTest, ACrashedRewriteIsRepairedByTheNextOpenOrAppend)
{
    // Where hard links are refused, a crash between the two renames leaves only the backup;
    // a crash after writing the new file leaves it under a temporary name.
    const std::string text = realGames(2);
    for (bool byAppend : { false, true }) {
        TempFolder::write(path + ".bak", text);
        TempFolder::write(path + ".tmp-1-0", text + "half");
        TempFolder::write(path + ".tmp", "older version");
        CDatabase db(parser);
        ASSERT_TRUE(!byAppend || db.append(path, *newGame("New")));
        ASSERT_TRUE(db.open(path));
        ASSERT_EQ(db.getEntries().size(), byAppend ? 3u : 2u) << byAppend;
        EXPECT_FALSE(fs::exists(path + ".bak"));
        ASSERT_TRUE(db.deleteGame(0));
        EXPECT_EQ(folder.entryCount(), 1) << "the leftovers went with the next rewrite";
        fs::remove(path);
    }
}

TEST_F(DatabaseTest, MemoryDoesNotGrowWithEveryFileOpened)
{
    const std::string small = folder.file("small.pgn");
    TempFolder::write(small, "[White \"x\"]\n1.e4 *\n");
    CDatabase fresh(parser), db(parser);
    ASSERT_TRUE(fresh.open(small));
    for (int file = 0; file < 5; ++file) {
        std::string text;
        for (int game = 0; game < 100; ++game)
            text += "[White \"P" + std::to_string(file * 100 + game) + "\"]\n1.e4 *\n";
        TempFolder::write(path, text);
        ASSERT_TRUE(db.open(path));
    }
    ASSERT_TRUE(db.open(small));
    EXPECT_EQ(db.indexMemoryBytes(), fresh.indexMemoryBytes());
}

TEST_F(DatabaseTest, AFailedAppendLeavesTheFileAsItWas)
{
    const std::string text = realGames(2);
    auto game = newGame("New");
    // An old time, so that a change within the clock's resolution shows.
    const timespec old[2] = { { 1000000000, 0 }, { 1000000000, 0 } };
    auto modified = [&] {
        struct stat info { };
        ::stat(path.c_str(), &info);
        return info.st_mtim.tv_sec;
    };
    for (int failAt = 0;; ++failAt) {
        TempFolder::write(path, text);
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
        CDatabase db(parser);
        FailingFileCalls calls;
        calls.failAt = failAt;
        db.setFileCalls(&calls);
        const bool ok = db.append(path, *game);
        EXPECT_EQ(TempFolder::read(path), ok ? text + game->toString() : text)
            << "failing call " << failAt;
        // Another database open on the file would otherwise refuse every change.
        if (!ok) {
            EXPECT_EQ(modified(), old[1].tv_sec) << "failing call " << failAt;
        }
        if (failAt >= int(calls.log.size()))
            break;
    }
    // A long token is quoted, not echoed whole, when the game is refused.
    TempFolder::write(path, "[White \"a\"]\n\n1. " + std::string(1 << 20, 'N') + " *\n");
    CDatabase db(parser);
    ASSERT_TRUE(db.open(path));
    EXPECT_FALSE(db.gotoGame(0));
    EXPECT_EQ(parser.lastError().text, std::string(PgnReadError::kMaxErrorText, 'N'));
}

TEST_F(DatabaseTest, AFailureAtAnyStepOfARewriteLosesNoGame)
{
    const std::string text = realGames(3);
    auto replacement = newGame("Replaced");
    for (bool noLinks : { false, true }) {
        for (int failAt = 0;; ++failAt) {
            TempFolder::write(path, text);
            fs::remove(path + ".bak");
            CDatabase db(parser);
            ASSERT_TRUE(db.open(path));
            FailingFileCalls calls;
            calls.failAt = failAt;
            calls.noLinks = noLinks;
            db.setFileCalls(&calls);
            const bool ok = db.replaceGame(1, *replacement);
            const bool failedNone = failAt >= int(calls.log.size());
            const std::string context = (noLinks ? "without links, call " : "call ") +
                std::to_string(failAt) + (failedNone ? "" : " " + calls.log[size_t(failAt)]);
            // Whatever happened, the name holds three readable games: the old ones or the
            // new ones (only when the rewrite succeeded or failed after the rename).
            EXPECT_EQ(readableGames(path), 3) << context;
            const std::string now = TempFolder::read(path);
            EXPECT_TRUE(ok || lastError(db).first != 0) << context;
            EXPECT_TRUE(now == text || now.find("Replaced") != std::string::npos) << context;
            EXPECT_TRUE(!fs::exists(path + ".bak") || TempFolder::read(path + ".bak") == text)
                << context;
            EXPECT_LE(folder.entryCount(), 2) << context << ": no temporary file is left";
            if (failedNone) {
                EXPECT_TRUE(ok && now != text) << context;
                EXPECT_GT(failAt, 8) << "every step was failed once";
                break;
            }
        }
    }
}

} // namespace
} // namespace velmorak
