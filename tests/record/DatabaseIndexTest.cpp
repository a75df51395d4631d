// The index is the same however the file is scanned: byte by byte or with the shortcuts,
// through any buffer size, on one thread or in stretches joined; and an open on another
// thread shows its rows as they come and can be cancelled.
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "record/CDatabase.h"
#include "record/CDatabaseOpener.h"
#include "record/CPgnParser.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

std::string entryLine(const CDatabaseEntry& entry)
{
    std::string line = std::to_string(entry.start) + "-" + std::to_string(entry.end);
    for (int f = 0; f < kEntryFieldCount; ++f)
        line.append("|").append(entry.text(EntryField(f)));
    return line + "\n";
}

std::string indexText(const std::vector<CDatabaseEntry>& entries)
{
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].number, int(i));
        text += entryLine(entries[i]);
    }
    return text;
}

std::string openIndex(const std::string& path, bool shortcuts, int threads, std::int64_t stretch)
{
    CPgnParser parser;
    parser.setShortcuts(shortcuts);
    CDatabase db(parser);
    OpenOptions options;
    options.threads = threads;
    options.minStretchBytes = stretch;
    EXPECT_TRUE(db.open(path, options));
    return indexText(db.getEntries());
}

// The scan loop of the index, straight on the parser, through a buffer of `bufferSize`.
std::string scanIndex(const std::string& path, bool shortcuts, std::size_t bufferSize)
{
    PgnInput input(bufferSize);
    EXPECT_TRUE(input.openFile(path));
    CPgnParser parser;
    parser.setShortcuts(shortcuts);
    IndexTags tags;
    std::string text;
    for (std::int64_t start = 0, end = 0;
         parser.scanIndexTags(input, start, end, tags) && end != start; start = end) {
        text += std::to_string(start) + "-" + std::to_string(end);
        for (const std::string* value : { &tags.white, &tags.black, &tags.date, &tags.event,
                 &tags.eco, &tags.site, &tags.result })
            text.append("|").append(*value);
        text += "\n";
    }
    return text;
}

// Shapes the shortcuts must leave to the lexer, or take exactly as it would.
const char* const kShapes[] = {
    "",
    "[White \"no final line break\"]\n1.e4 *",
    "[White \"crlf\"]\r\n[Black \"b\"]\r\n\r\n1.e4 e5 *\r\n\r\n[White \"c\"]\r\n\r\n1.d4 *\r\n",
    "[White \"a\"]\n\n1.e4 {a [bracket] in a comment} e5 *\n\n[White \"b\"]\n1.d4 *\n",
    "[White \"a\"]\n\n1.e4 [ e5 *\n\n[Black \"bracket in the moves\"]\n1.d4 *\n",
    "[White \"an \\\"escaped\\\" quote\"]\n[Black \"back\\\\slash\"]\n1.e4 *\n",
    "[White \"a\"]\n1.e4 ; [Black \"rest of line\"]\n%[Event \"escape line\"]\ne5 a%b *\n",
    "[White \"a\"]\n1.e4 \"a [string\" e5 *\n[White \"b\"]\n*\n",
    "[White \"a\"]\n1.e4 {left open\n\n[White \"b\"]\n1.d4 *\n",
    "\xEF\xBB\xBF[White \"byte order mark\"]\n1.e4 *\n",
    "[White \"blank\" ]\n[Black\n\"next line\"]\n[Event \"x\"\x01]\x01[Site "
    "\"\xE2\x80\x93\"]\n1.e4 *\n",
    "[Result \"1\xE2\x80\x93"
    "0\"]\n[White \"a\"] [Black \"b\"][Date\"1999\"]\n1.e4 1-0\n",
    "[White \"cut\n[Black \"x\"]\n1.e4 *\n[Event\t\"tab\"]\n[ECO \"\"]\n1.d4 *\n\n\n  \n",
    "[W\xE2\x80\x93x \"y\"]\n[White \"unterminated]\n{}\n1.e4 *\n",
};

class DatabaseIndexTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("games.pgn");
};

TEST_F(DatabaseIndexTest, EveryWayOfScanningGivesTheSameIndex)
{
    std::string joined;
    for (const char* shape : kShapes)
        joined += shape;
    std::string repeated;
    for (int i = 0; i < 40; ++i)
        repeated += joined + kShapes[i % std::size(kShapes)];
    std::vector<std::string> files(std::begin(kShapes), std::end(kShapes));
    files.push_back(joined);
    files.push_back(repeated);
    for (const std::string& text : files) {
        SCOPED_TRACE(text.substr(0, 60));
        TempFolder::write(path, text);
        const std::string reference = scanIndex(path, false, PgnInput::kBufferSize);
        EXPECT_EQ(openIndex(path, false, 1, 1), reference);
        for (std::size_t size : { 1, 2, 5, 16, 17, 64 })
            EXPECT_EQ(scanIndex(path, true, size), reference) << "buffer " << size;
        // Stretches of a few bytes: the cuts fall inside tags, comments and strings.
        for (int threads : { 1, 2, 3, 5, 8 })
            EXPECT_EQ(openIndex(path, true, threads, 1), reference) << threads << " threads";
    }
}

std::string manyGames(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "[Event \"E\"]\n[White \"Player " + std::to_string(i) +
            "\"]\n[Black \"B\"]\n[Result \"1-0\"]\n\n1.e4 e5 2.Nf3 {a comment} Nc6 1-0\n\n";
    return text;
}

TEST_F(DatabaseIndexTest, CancellingLeavesTheDatabaseClosedAndSaysSo)
{
    TempFolder::write(path, manyGames(5000));
    CPgnParser parser;
    CDatabase db(parser);
    for (int threads : { 1, 3 }) {
        std::stop_source stop;
        OpenOptions options;
        options.threads = threads;
        options.minStretchBytes = 1;
        options.stop = stop.get_token();
        options.progress = [&](const IndexProgress&) { stop.request_stop(); };
        EXPECT_FALSE(db.open(path, options));
        EXPECT_FALSE(db.isOpen());
        EXPECT_EQ(db.indexedCount(), 0U);
        EXPECT_TRUE(db.getEntries().empty());
        int code = 0;
        std::string message;
        db.getError(code, message);
        EXPECT_EQ(code, CDatabase::OpenCancelled);
        EXPECT_EQ(message, "Opening was cancelled: " + path);
    }
    EXPECT_TRUE(db.open(path));
    EXPECT_EQ(db.getEntries().size(), 5000U);
}

TEST_F(DatabaseIndexTest, AnOpenerShowsTheRowsAsTheyComeAndReportsTheWholeFileAtTheEnd)
{
    const std::string text = manyGames(20000);
    TempFolder::write(path, text);
    CPgnParser parser;
    CDatabase db(parser);
    std::mutex mutex;
    std::vector<IndexProgress> reports;
    bool doneWith = false;
    CDatabaseOpener opener(
        db, path,
        [&](const IndexProgress& progress) {
            std::lock_guard lock(mutex);
            reports.push_back(progress);
        },
        [&](bool ok) { doneWith = ok; }, 2);
    // Meanwhile the rows indexed so far read whole, in file order.
    while (!opener.finished()) {
        const std::size_t count = db.indexedCount();
        std::size_t at = count > 3 ? count - 3 : 0;
        db.visitIndexed(at, 5, [&](const CDatabaseEntry& entry) {
            ASSERT_EQ(std::size_t(entry.number), at);
            ASSERT_EQ(entry.white(), "Player " + std::to_string(at++));
        });
    }
    EXPECT_TRUE(opener.wait());
    EXPECT_TRUE(doneWith);
    ASSERT_EQ(db.getEntries().size(), 20000U);
    ASSERT_GE(reports.size(), 2U);
    EXPECT_LT(reports.front().games, 20000);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].games, reports[i - 1].games);
        EXPECT_GE(reports[i].bytesRead, reports[i - 1].bytesRead);
    }
    EXPECT_EQ(reports.back().games, 20000);
    EXPECT_EQ(reports.back().bytesRead, std::int64_t(text.size()));
    EXPECT_EQ(reports.back().bytesTotal, std::int64_t(text.size()));
}

} // namespace
} // namespace velmorak
