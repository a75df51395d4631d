// Every game of the real PGN files that is legal chess must read; writing it then reading
// it again must give the same tags, tree, comment words and NAGs, and writing that again
// the same bytes. The games the reader refuses are listed in refused-games.txt with the
// reason.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "record/PgnInput.h"
#include "record/PgnMoveResolver.h"
#include "rules/SanNotation.h"
#include "support/PgnScan.h"
#include "support/TableFile.h"

namespace velmorak {
namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(VELMORAK_DATA_DIR) / "pgn";

struct FileResult {
    int games = 0;
    int read = 0;
    // "relative/path #number: reason 'text'"
    std::vector<std::string> refused;
};

// Built with a stream: GCC 12 warns falsely about chains of string operator+.
std::string note(const std::string& name, int number, const std::string& text)
{
    std::ostringstream out;
    out << name << " #" << number << ": " << text;
    return out.str();
}

// Reads every game of the file, adding to `result`; what the writer writes of a game reads
// back with the same tags and tree, and is written again as the same bytes.
void checkFile(const fs::path& path, const std::string& name, FileResult& result)
{
    PgnInput input;
    EXPECT_TRUE(input.openFile(path.string())) << path;
    CPgnParser reader;
    std::int64_t start = 0;
    int number = 0;
    for (std::int64_t end : scanGameEnds(input)) {
        ++result.games;
        std::unique_ptr<CPgnGame> game;
        std::int64_t readEnd = 0;
        if (reader.readGame(input, start, readEnd, game)) {
            ++result.read;
            SCOPED_TRACE(note(name, number, "written and read again"));
            game->setFormat(kFilePgnFormat);
            const std::string text = game->toString();
            auto again = test::readPgn(text);
            if (!again) {
                ADD_FAILURE() << "the written text does not read back";
            } else {
                EXPECT_TRUE(again->tags() == game->tags());
                EXPECT_EQ(test::treeText(*again), test::treeText(*game));
                again->setFormat(kFilePgnFormat);
                EXPECT_EQ(again->toString(), text);
            }
        } else {
            const PgnReadError& error = reader.lastError();
            result.refused.push_back(note(name, number, error.reason + " '" + error.text + "'"));
        }
        start = end;
        ++number;
    }
}

// The reader's shortcut must give exactly the move the SAN reader gives, for every move of
// real games (their texts as written, and the strict SAN of the same move).
void compareShortcuts(Board& board, const CGameNode& node, int& compared)
{
    for (int i = 0; i < node.childCount(); ++i) {
        const CGameNode& child = *node.child(i);
        for (const std::string& text : { child.san(), writeSan(board, child.move()) }) {
            Move fast = resolvePgnMoveShortcut(board, text);
            if (fast != NoMove) {
                ++compared;
                ASSERT_EQ(fast, readSan(board, text)) << text << " in " << board.fen();
            }
        }
        board.makeMove(child.move());
        compareShortcuts(board, child, compared);
        board.unmakeMove();
    }
}

TEST(RealData, ShortcutsAgreeWithTheSanReader)
{
    PgnInput input;
    ASSERT_TRUE(input.openFile((kData / "masters-111k.pgn").string()));
    const std::vector<std::int64_t> ends = scanGameEnds(input);
    ASSERT_GT(ends.size(), 3000u);
    CPgnParser parser;
    int compared = 0;
    for (std::size_t game = 0; game < 3000; ++game) {
        std::unique_ptr<CPgnGame> record;
        std::int64_t end = 0;
        if (parser.readGame(input, game ? ends[game - 1] : 0, end, record)) {
            Board board;
            if (!record->getTag("FEN").empty())
                board.setFromFen(record->getTag("FEN"));
            compareShortcuts(board, *record->root(), compared);
        }
    }
    EXPECT_GT(compared, 300000);
}

// Each entry's offsets and texts, one line each.
std::string masterIndex(bool shortcuts, int threads)
{
    CPgnParser parser;
    parser.setShortcuts(shortcuts);
    CDatabase db(parser);
    OpenOptions options;
    options.threads = threads;
    options.minStretchBytes = 1 << 20;
    EXPECT_TRUE(db.open((kData / "masters-111k.pgn").string(), options));
    std::string text;
    for (const CDatabaseEntry& entry : db.getEntries()) {
        text += std::to_string(entry.number) + " " + std::to_string(entry.start) + "-" +
            std::to_string(entry.end);
        for (int f = 0; f < kEntryFieldCount; ++f)
            text.append("|").append(entry.text(EntryField(f)));
        text += "\n";
    }
    return text;
}

TEST(RealData, TheFastAndParallelIndexIsTheByteByByteOne)
{
    const std::string reference = masterIndex(false, 1);
    EXPECT_GT(std::count(reference.begin(), reference.end(), '\n'), 111000);
    EXPECT_EQ(masterIndex(true, 1), reference);
    // 73 stretches: most cuts fall inside a game.
    EXPECT_EQ(masterIndex(true, 73), reference);
}

TEST(RealData, EveryFileReadsAndRoundTrips)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kData / "tests"))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 600u);
    files.push_back(kData / "masters-111k.pgn");
    FileResult all;
    for (const fs::path& file : files) {
        const int before = all.games;
        checkFile(file, fs::relative(file, kData).string(), all);
        // 111,875 games plus four whose first tag follows a byte-order mark.
        EXPECT_TRUE(file != files.back() || all.games - before == 111879) << all.games - before;
    }
    std::set<std::string> expected;
    for (const TableRow& row : readTableFile(VELMORAK_SOURCE_DIR "/tests/record/refused-games.txt"))
        expected.insert(row.front());
    const std::set<std::string> refused(all.refused.begin(), all.refused.end());
    for (const std::string& line : refused)
        EXPECT_TRUE(expected.count(line)) << "refused but not listed: " << line;
    for (const std::string& line : expected)
        EXPECT_TRUE(refused.count(line)) << "listed but read now: " << line;
    std::cout << all.games << " games, " << all.read << " read, " << refused.size() << " refused\n";
}

} // namespace
} // namespace velmorak
