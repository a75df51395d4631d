#include "engine/PolyglotBook.h"

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "engine/OpeningBookBuilder.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "support/MoveText.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

using test::moveIn;

TEST(PolyglotKey, MatchesTheNineReferenceKeys)
{
    // Rows with a move are also reached by playing it after the row before: the board's own
    // en-passant square must give the same key as the FEN's.
    struct Row {
        const char* fen;
        std::uint64_t key;
        const char* move = nullptr;
    } rows[] = {
        { "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0x463b96181691fc9cull },
        { "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 0x823c9b50fd114196ull,
            "e2e4" },
        { "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2", 0x0756b94461c50fb0ull,
            "d7d5" },
        { "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2", 0x662fafb965db29d4ull,
            "e4e5" },
        { "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 0x22a48b5a8e47ff78ull,
            "f7f5" },
        { "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR b kq - 0 3", 0x652a607ca3f242c1ull,
            "e1e2" },
        { "rnbq1bnr/ppp1pkpp/8/3pPp2/8/8/PPPPKPPP/RNBQ1BNR w - - 0 4", 0x00fdd303c946bdd9ull,
            "e8f7" },
        { "rnbqkbnr/p1pppppp/8/8/PpP4P/8/1P1PPPP1/RNBQKBNR b KQkq c3 0 3", 0x3c8123ea7b067637ull },
        { "rnbqkbnr/p1pppppp/8/8/P6P/R1p5/1P1PPPP1/1NBQKBNR b Kkq - 0 4", 0x5c3f9b829b279560ull },
    };
    Board played;
    for (const Row& row : rows) {
        EXPECT_EQ(polyglotKey(Board(row.fen)), row.key) << row.fen;
        if (row.move) {
            makeCoordinateMove(played, row.move);
            EXPECT_EQ(polyglotKey(played), row.key) << row.move;
        }
    }
}

TEST(PolyglotMoves, CastlingIsStoredAsKingTakesRook)
{
    // Words: to file, to rank << 3, from file << 6, from rank << 9, promotion (n=1..q=4) << 12.
    struct Row {
        const char* fen;
        std::uint16_t word;
        const char* move;
    } rows[] = {
        { "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 0x0107, "e1g1" }, // e1h1
        { "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 0x0100, "e1c1" }, // e1a1
        { "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", 0x0F3F, "e8g8" }, // e8h8
        { "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", 0x0F38, "e8c8" }, // e8a8
        { "8/1P6/8/8/8/8/8/k1K5 w - - 0 1", 0x1C79, "b7b8n" },
        { "8/1P6/8/8/8/8/8/k1K5 w - - 0 1", 0x4C79, "b7b8q" },
        { "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0x0195, "g1f3" },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        Move expected = moveIn(board, row.move);
        EXPECT_EQ(decodePolyglotMove(board, row.word), expected) << row.move;
        EXPECT_EQ(encodePolyglotMove(expected), row.word) << row.move;
    }
    Board start;
    EXPECT_EQ(decodePolyglotMove(start, 0), NoMove);
}

class PolyglotBookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Entries go in key order, as the format requires: the start position's key is the
        // lower.
        Board start;
        Board e4 = test::positionAfter("e2e4");
        std::string file;
        auto add = [&file](const Board& position, const char* move, std::uint16_t weight) {
            std::uint64_t key = polyglotKey(position);
            std::uint16_t word = encodePolyglotMove(moveIn(position, move));
            for (int shift = 56; shift >= 0; shift -= 8)
                file += char(key >> shift);
            file += { char(word >> 8), char(word), char(weight >> 8), char(weight), 0, 0, 0, 0 };
        };
        add(start, "e2e4", 60);
        add(start, "d2d4", 30);
        add(start, "g1f3", 10);
        add(start, "a2a3", 0);
        add(e4, "c7c5", 5);
        TempFolder::write(m_path, file);
    }

    TempFolder m_folder;
    std::string m_path = m_folder.file("book.bin");
};

TEST_F(PolyglotBookTest, FindsThePositionsMovesAndChoosesByMode)
{
    Board start;
    std::uint32_t pick = 0;
    PolyglotBook book([&pick](std::uint32_t bound) { return std::min(pick, bound - 1); });
    std::vector<BookEntry> entries = book.lookup(m_path, start);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], (BookEntry { moveIn(start, "e2e4"), 60 }));

    EXPECT_EQ(book.chooseMove(entries, BookMode::Off), NoMove);
    EXPECT_EQ(book.chooseMove(entries, BookMode::Best), moveIn(start, "e2e4"));
    // Weighted: e4 takes 0..59, d4 60..89, Nf3 90..99; a zero weight is never drawn.
    struct Row {
        BookMode mode;
        std::uint32_t pick;
        const char* move;
    } rows[] = {
        { BookMode::Random, 0, "e2e4" },
        { BookMode::Random, 59, "e2e4" },
        { BookMode::Random, 60, "d2d4" },
        { BookMode::Random, 95, "g1f3" },
        { BookMode::Random, 1000, "g1f3" },
        // Good keeps moves weighing at least half the best: e4 and d4 (0..89).
        { BookMode::Good, 89, "d2d4" },
        { BookMode::Good, 1000, "d2d4" },
    };
    for (const Row& row : rows) {
        pick = row.pick;
        EXPECT_EQ(book.chooseMove(entries, row.mode), moveIn(start, row.move)) << row.pick;
    }
    Board afterD4 = test::positionAfter("d2d4");
    EXPECT_TRUE(book.lookup(m_path, afterD4).empty());
    EXPECT_TRUE(book.lookup("/nonexistent.bin", start).empty());
}

TEST_F(PolyglotBookTest, RandomChoicesInQuickSuccessionDiffer)
{
    // One generator for the run, seeded once: not the clock, which gives one choice for
    // every lookup of the same millisecond.
    Board start;
    PolyglotBook polyglot;
    std::vector<BookEntry> entries = polyglot.lookup(m_path, start);
    std::set<std::string> polyglotMoves;
    for (int i = 0; i < 64; ++i)
        polyglotMoves.insert(writeCoordinates(polyglot.chooseMove(entries, BookMode::Random)));
    EXPECT_GE(polyglotMoves.size(), 2u);
    OpeningBookBuilder builder;
    builder.addGame(std::vector<std::string> { "e2e4" }, OpeningBookBuilder::Result::Draw);
    builder.addGame(std::vector<std::string> { "d2d4" }, OpeningBookBuilder::Result::Draw);
    std::set<std::string> kbkMoves;
    for (int i = 0; i < 64; ++i) {
        OpeningBook kbk;
        kbk.lookupBytes(builder.serialize(), start);
        kbkMoves.insert(writeCoordinates(kbk.chooseMove(BookMode::Random)));
    }
    EXPECT_EQ(kbkMoves.size(), 2u);
}

TEST(PolyglotBookPath, TheExtensionInAnyCase)
{
    for (const char* path : { "book.bin", "/books/BOOK.BIN", "a.Bin" })
        EXPECT_TRUE(isPolyglotBookPath(path)) << path;
    for (const char* path : { "book.kbk", "bin", "/books/bin/book", "book.bin.kbk" })
        EXPECT_FALSE(isPolyglotBookPath(path)) << path;
}

TEST(PolyglotDebianBook, KnowsTheMainOpenings)
{
    const char* path = "/usr/share/games/gnuchess/book.bin";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "gnuchess-book is not installed";
    Board start;
    PolyglotBook book;
    std::vector<BookEntry> entries = book.lookup(path, start);
    ASSERT_FALSE(entries.empty());
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
        [&](const BookEntry& entry) { return entry.move == moveIn(start, "e2e4"); }));
    Board afterE4 = test::positionAfter("e2e4");
    EXPECT_FALSE(book.lookup(path, afterE4).empty());
}

} // namespace
} // namespace velmorak
