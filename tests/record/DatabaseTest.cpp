#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "RecordTestSupport.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"

namespace velmorak {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// The first games of a real file, as they stand there.
std::string realGames(int count)
{
    std::ifstream in(fs::path(VELMORAK_DATA_DIR) / "pgn/masters-111k.pgn", std::ios::binary);
    std::string text;
    std::string line;
    int events = 0;
    while (std::getline(in, line)) {
        if (line.rfind("[Event ", 0) == 0 && ++events > count)
            break;
        text += line;
        text += '\n';
    }
    return text;
}

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(::testing::TempDir()) /
            ("velmorak-db-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "games.pgn").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<std::string> gameTexts(const CDatabase& db, const std::string& text)
    {
        std::vector<std::string> games;
        for (const CDatabaseEntry& entry : db.getEntries())
            games.push_back(
                text.substr(std::size_t(entry.start), std::size_t(entry.end - entry.start)));
        return games;
    }

    // Every game of the file at path reads.
    void expectAllReadable(const std::string& file, std::size_t games)
    {
        CPgnParser reader;
        CDatabase db(reader);
        ASSERT_TRUE(db.open(file)) << file;
        ASSERT_EQ(db.getEntries().size(), games) << file;
        for (std::size_t i = 0; i < games; ++i)
            EXPECT_TRUE(db.gotoGame(int(i))) << file << " game " << i;
    }

    fs::path dir;
    std::string path;
    CPgnParser parser;
};

TEST_F(DatabaseTest, IndexTilesTheFile)
{
    const std::string text = realGames(3);
    writeFile(path, text);
    CDatabase db(parser);
    ASSERT_TRUE(db.open(path));
    const auto& entries = db.getEntries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].start, 0);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(entries[i].number, int(i));
        EXPECT_EQ(entries[i].end, i + 1 < 3 ? entries[i + 1].start : std::int64_t(text.size()));
    }
    EXPECT_FALSE(entries[1].white().empty());
    auto game = db.gotoGame(1);
    ASSERT_TRUE(game);
    EXPECT_EQ(game->white(), entries[1].white());
    EXPECT_EQ(game->eco(), entries[1].eco());
}

TEST_F(DatabaseTest, NavigationWrapsAround)
{
    writeFile(path, "[White \"a\"]\n1.e4 *\n\n[White \"b\"]\n1.d4 *\n\n[White \"c\"]\n1.c4 *\n");
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

TEST_F(DatabaseTest, EmptyMissingAndUnwritableFiles)
{
    writeFile(path, "");
    CDatabase db(parser);
    EXPECT_TRUE(db.open(path));
    EXPECT_TRUE(db.getEntries().empty());
    EXPECT_FALSE(db.next());
    EXPECT_FALSE(db.prev());

    int code = 0;
    std::string message;
    const std::string missing = (dir / "missing.pgn").string();
    EXPECT_FALSE(db.open(missing));
    db.getError(code, message);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(message, "File not found " + missing);
    EXPECT_FALSE(db.deleteGame(0)) << "closed";

    CPgnGame game;
    const std::string nowhere = (dir / "no/such/folder.pgn").string();
    EXPECT_FALSE(db.append(nowhere, game));
    db.getError(code, message);
    EXPECT_EQ(message, "Could not open for appending " + nowhere);
}

TEST_F(DatabaseTest, AppendWritesTheGameInItsFormat)
{
    writeFile(path, realGames(1));
    auto game = test::readPgn("[White \"New\"]\n1.e4 e5 {c} *");
    ASSERT_TRUE(game);
    game->setFormat(kFilePgnFormat);
    CDatabase db(parser);
    EXPECT_TRUE(db.append(path, *game));
    ASSERT_TRUE(db.open(path));
    ASSERT_EQ(db.getEntries().size(), 2u);
    EXPECT_EQ(db.getEntries()[1].white(), "New");
    EXPECT_EQ(test::treeText(*db.gotoGame(1)), " e4 e5{c}");
}

TEST_F(DatabaseTest, ReplaceAndDeleteKeepTheOtherGamesByteForByte)
{
    const std::string text = realGames(3);
    auto replacement = test::readPgn("[White \"Replaced\"]\n1.d4 d5 2.c4 *");
    ASSERT_TRUE(replacement);
    replacement->setFormat(kFilePgnFormat);
    struct Row {
        const char* name;
        int game;
        bool replace;
    } rows[] = {
        { "replace the middle game", 1, true },
        { "delete the first game", 0, false },
        { "delete the last game", 2, false },
        { "replace the last game", 2, true },
    };
    for (const Row& row : rows) {
        writeFile(path, text);
        CDatabase db(parser);
        ASSERT_TRUE(db.open(path));
        std::vector<std::string> before = gameTexts(db, text);
        ASSERT_TRUE(row.replace ? db.replaceGame(row.game, *replacement) : db.deleteGame(row.game))
            << row.name;
        const std::string after = readFile(path);
        std::vector<std::string> expected = before;
        if (row.replace)
            expected[std::size_t(row.game)] = replacement->toString();
        else
            expected.erase(expected.begin() + row.game);
        std::string joined;
        for (const std::string& game : expected)
            joined += game;
        EXPECT_EQ(after, joined) << row.name;
        EXPECT_EQ(db.getEntries().size(), expected.size()) << row.name << ": reindexed";
        EXPECT_FALSE(fs::exists(path + ".tmp")) << row.name;
        EXPECT_FALSE(fs::exists(path + ".bak")) << row.name;
    }
}

TEST_F(DatabaseTest, ChangesByAnotherProgramAreNotOverwritten)
{
    writeFile(path, realGames(3));
    CDatabase db(parser);
    ASSERT_TRUE(db.open(path));
    // Another program puts a game in front: entry 1 now points into other bytes.
    const std::string changed = "[White \"Intruder\"]\n1.e4 *\n\n" + realGames(3);
    writeFile(path, changed);
    CPgnGame game;
    EXPECT_FALSE(db.replaceGame(1, game));
    int code = 0;
    std::string message;
    db.getError(code, message);
    EXPECT_EQ(code, CDatabase::ChangedOnDisk);
    EXPECT_EQ(message, "The file was changed by another program: " + path);
    EXPECT_EQ(readFile(path), changed);
    ASSERT_EQ(db.getEntries().size(), 4u) << "the index was rebuilt";
    EXPECT_TRUE(db.deleteGame(0)) << "with the fresh index the change goes through";
    EXPECT_EQ(readFile(path), realGames(3));
}

// Fails the n-th call (counting every call a rewrite makes) or writes only part of the
// bytes before failing.
class FailingCalls : public DatabaseFileCalls {
public:
    int failAt = -1;
    int calls = 0;
    bool noLinks = false;
    std::vector<std::string> log;

    bool shouldFail(const char* what)
    {
        log.push_back(what);
        if (calls++ == failAt) {
            errno = EIO;
            return true;
        }
        return false;
    }
    int open(const char* p, int flags, mode_t mode) override
    {
        return shouldFail("open") ? -1 : DatabaseFileCalls::open(p, flags, mode);
    }
    ssize_t write(int fd, const void* data, std::size_t size) override
    {
        if (shouldFail("write")) {
            // A short write first, then the failure: a disk that fills up.
            if (size > 1 && DatabaseFileCalls::write(fd, data, size / 2) > 0)
                return ssize_t(size / 2);
            return -1;
        }
        return DatabaseFileCalls::write(fd, data, size);
    }
    int fsync(int fd) override { return shouldFail("fsync") ? -1 : DatabaseFileCalls::fsync(fd); }
    int close(int fd) override
    {
        int result = DatabaseFileCalls::close(fd);
        return shouldFail("close") ? -1 : result;
    }
    int rename(const char* from, const char* to) override
    {
        return shouldFail("rename") ? -1 : DatabaseFileCalls::rename(from, to);
    }
    int unlink(const char* p) override
    {
        return shouldFail("unlink") ? -1 : DatabaseFileCalls::unlink(p);
    }
    int link(const char* from, const char* to) override
    {
        if (noLinks) {
            log.push_back("link");
            errno = EPERM;
            return -1;
        }
        return shouldFail("link") ? -1 : DatabaseFileCalls::link(from, to);
    }
    ssize_t pread(int fd, void* data, std::size_t size, std::int64_t offset) override
    {
        return shouldFail("pread") ? -1 : DatabaseFileCalls::pread(fd, data, size, offset);
    }
};

TEST_F(DatabaseTest, AFailedAppendLeavesTheFileAsItWas)
{
    const std::string text = realGames(2);
    auto game = test::readPgn("[White \"New\"]\n1.e4 e5 *");
    ASSERT_TRUE(game);
    game->setFormat(kFilePgnFormat);
    for (int failAt = 0;; ++failAt) {
        writeFile(path, text);
        CDatabase db(parser);
        FailingCalls calls;
        calls.failAt = failAt;
        db.setFileCalls(&calls);
        const bool ok = db.append(path, *game);
        // A short write is no failure: the rest follows in the next call.
        EXPECT_EQ(readFile(path), ok ? text + game->toString() : text) << "failing call " << failAt;
        if (failAt >= int(calls.log.size()))
            break;
    }
}

TEST_F(DatabaseTest, AFailureAtAnyStepOfARewriteLosesNoGame)
{
    const std::string text = realGames(3);
    auto replacement = test::readPgn("[White \"Replaced\"]\n1.d4 d5 2.c4 *");
    ASSERT_TRUE(replacement);
    replacement->setFormat(kFilePgnFormat);
    for (bool noLinks : { false, true }) {
        int steps = 0;
        for (int failAt = 0;; ++failAt) {
            writeFile(path, text);
            fs::remove(path + ".tmp");
            fs::remove(path + ".bak");
            CDatabase db(parser);
            ASSERT_TRUE(db.open(path));
            FailingCalls calls;
            calls.failAt = failAt;
            calls.noLinks = noLinks;
            db.setFileCalls(&calls);
            const bool ok = db.replaceGame(1, *replacement);
            const std::string context = std::string(noLinks ? "without links, " : "") +
                "failing call " + std::to_string(failAt) + " (" +
                (failAt < int(calls.log.size()) ? calls.log[std::size_t(failAt)] : "none") + ")";
            db.setFileCalls(nullptr);
            // Whatever happened, the name holds three readable games: the old ones or the
            // new ones.
            ASSERT_TRUE(fs::exists(path)) << context;
            expectAllReadable(path, 3);
            const std::string now = readFile(path);
            if (!ok) {
                int code = 0;
                std::string message;
                db.getError(code, message);
                EXPECT_NE(code, 0) << context;
                EXPECT_FALSE(message.empty()) << context;
            }
            if (now != text) {
                // The new file may only be in place when the rewrite itself succeeded or
                // failed after the rename (removing the backup).
                EXPECT_NE(now.find("Replaced"), std::string::npos) << context;
            }
            if (fs::exists(path + ".tmp"))
                expectAllReadable(path + ".tmp", 3);
            if (fs::exists(path + ".bak")) {
                EXPECT_EQ(readFile(path + ".bak"), text) << context;
            }
            if (failAt >= int(calls.log.size())) {
                EXPECT_TRUE(ok) << context;
                EXPECT_NE(now.find("Replaced"), std::string::npos);
                steps = failAt;
                break;
            }
        }
        EXPECT_GT(steps, 8) << "every step was failed once";
    }
}

} // namespace
} // namespace velmorak
