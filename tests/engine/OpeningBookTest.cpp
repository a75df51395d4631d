#include "engine/OpeningBook.h"

#include <gtest/gtest.h>

#include "engine/EngineOutput.h"
#include "engine/OpeningBookBuilder.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"
#include "support/FakeClock.h"
#include "support/MoveText.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

using test::moveIn;
using test::positionAfter;

// Book bytes from records, each given by its move text in the position it stands in.
class BookWriter {
public:
    BookWriter& add(const Board& position, const char* move, int weight, bool children, bool more)
    {
        auto ordinals = encodeBookMove(position, moveIn(position, move));
        EXPECT_TRUE(ordinals) << move;
        return raw(BookRecord::make(weight, children, more, ordinals->first, ordinals->second));
    }
    BookWriter& raw(BookRecord record)
    {
        m_bytes.push_back(char(record.bits >> 8));
        m_bytes.push_back(char(record.bits & 0xFF));
        return *this;
    }
    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// "e2e4:20 d2d4:10": the moves found with their weights.
std::string entriesText(const std::vector<BookEntry>& entries)
{
    std::string text;
    for (const BookEntry& entry : entries) {
        if (!text.empty())
            text += ' ';
        text.append(writeCoordinates(entry.move)).append(":").append(std::to_string(entry.weight));
    }
    return text;
}

// A random source that always answers the same number.
OpeningBook::RandomSource fixed(int value)
{
    return [value] { return value; };
}

TEST(OpeningBookRecords, EncodeTheStartMovesAsGiven)
{
    Board start;
    BookWriter book;
    book.add(start, "e2e4", 20, true, true);
    book.add(start, "d2d4", 10, false, false);
    EXPECT_EQ(book.bytes(), std::string("\xA2\x19\x54\x17", 4));
    EXPECT_EQ(squareOfPieceOrdinal(start, 9), squareFromText("e2"));
    EXPECT_EQ(decodeBookMove(start, BookRecord { 0xA219 }), moveIn(start, "e2e4"));
    // The white side has 16 pieces; ordinal 16 is out of range, as is a 33rd move.
    EXPECT_EQ(decodeBookMove(start, BookRecord::make(1, false, false, 0, 16)), NoMove);
    EXPECT_EQ(decodeBookMove(start, BookRecord::make(1, false, false, 31, 9)), NoMove);
}

TEST(OpeningBookRecords, PieceOrdinalsCountSquaresInIndexOrder)
{
    // Positions along a fixed pseudo-random game, checked against a plain count.
    Board board("r3k2r/pP3p2/8/3pP3/8/8/6p1/R3K2R w KQkq d6 0 30");
    unsigned state = 7;
    for (int ply = 0; ply < 200; ++ply) {
        for (int ordinal = 0; ordinal <= 16; ++ordinal) {
            Square expected = NoSquare;
            int seen = 0;
            for (int file = 0; file < 8 && expected == NoSquare; ++file)
                for (int rank = 0; rank < 8 && expected == NoSquare; ++rank) {
                    PieceCode piece = board.pieceAt(makeSquare(file, rank));
                    bool own = board.sideToMove() == kWhiteSide ? isWhitePiece(piece)
                                                                : isBlackPiece(piece);
                    if (own && seen++ == ordinal)
                        expected = makeSquare(file, rank);
                }
            ASSERT_EQ(squareOfPieceOrdinal(board, ordinal), expected) << board.fen() << ordinal;
            if (expected != NoSquare) {
                EXPECT_EQ(pieceOrdinalOfSquare(board, expected), ordinal);
            }
        }
        MoveList legal;
        board.allLegalMoves(legal);
        if (legal.empty())
            board.setStartPosition();
        else
            board.makeMove(legal[(state = state * 1103515245u + 12345u) % legal.size()]);
    }
}

TEST(OpeningBookRecords, CastlingAndPromotionsRoundTrip)
{
    struct Row {
        const char* fen;
        const char* move;
    } rows[] = {
        { "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1" },
        { "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8" },
        { "8/1P6/8/8/8/8/8/k1K5 w - - 0 1", "b7b8n" },
        { "8/1P6/8/8/8/8/8/k1K5 w - - 0 1", "b7b8b" },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        Move move = moveIn(board, row.move);
        auto ordinals = encodeBookMove(board, move);
        ASSERT_TRUE(ordinals) << row.move;
        EXPECT_EQ(decodeBookMove(
                      board, BookRecord::make(0, false, false, ordinals->first, ordinals->second)),
            move)
            << row.move;
    }
}

class OpeningBookTest : public ::testing::Test {
protected:
    // 1.e4 (20) e5 (with 2.Nf3) / c5; 1.d4 (10), no children.
    std::string smallBook()
    {
        Board start;
        Board e4 = positionAfter("e2e4");
        Board e4e5 = positionAfter("e2e4 e7e5");
        BookWriter book;
        book.add(start, "e2e4", 20, true, true);
        book.add(e4, "e7e5", 15, true, true);
        book.add(e4e5, "g1f3", 12, false, false);
        book.add(e4, "c7c5", 9, false, false);
        book.add(start, "d2d4", 10, false, false);
        return book.bytes();
    }
};

TEST_F(OpeningBookTest, LooksUpMovesWithTheirWeights)
{
    const struct {
        const char* moves;
        const char* found;
    } rows[] = { { "", "e2e4:20 d2d4:10" }, { "e2e4", "e7e5:15 c7c5:9" },
        { "e2e4 e7e5", "g1f3:12" }, { "d2d4", "" } };
    OpeningBook book;
    for (const auto& row : rows)
        EXPECT_EQ(entriesText(book.lookupBytes(smallBook(), positionAfter(row.moves))), row.found)
            << row.moves;
}

TEST_F(OpeningBookTest, ModesChooseAsTheyShould)
{
    // Weights 2, 5, 4, 1, 3 at the start: best 5, threshold 2, good candidates 5, 4, 3.
    Board start;
    BookWriter five;
    const std::pair<const char*, int> weights[] = { { "a2a3", 2 }, { "b2b3", 5 }, { "c2c3", 4 },
        { "d2d3", 1 }, { "e2e3", 3 } };
    for (auto [move, weight] : weights)
        five.add(start, move, weight, false, *move != 'e');
    const std::string small = smallBook();
    const struct {
        const char* name;
        const std::string& bytes;
        BookMode mode;
        int random;
        const char* move;
    } rows[] = {
        { "off", small, BookMode::Off, 0, "" },
        { "best", small, BookMode::Best, 65535, "e2e4" },
        { "good: threshold 10 leaves only e4", small, BookMode::Good, 65535, "e2e4" },
        { "random, low number", small, BookMode::Random, 0, "e2e4" },
        { "random, high number", small, BookMode::Random, 65535, "d2d4" },
        { "random, middle", small, BookMode::Random, 32768, "d2d4" },
        { "random, just below the middle", small, BookMode::Random, 32767, "e2e4" },
        { "best of five, not the first", five.bytes(), BookMode::Best, 0, "b2b3" },
        { "good, first third", five.bytes(), BookMode::Good, 0, "b2b3" },
        { "good, second third", five.bytes(), BookMode::Good, 21846, "c2c3" },
        { "good, last third", five.bytes(), BookMode::Good, 43692, "e2e3" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OpeningBook book(fixed(row.random));
        book.lookupBytes(row.bytes, start);
        EXPECT_EQ(book.chooseMove(row.mode), moveIn(start, row.move));
    }
}

TEST_F(OpeningBookTest, SubtreesThatCannotHoldThePositionAreSkippedUnread)
{
    // The e4 subtree holds a record that decodes to nothing; reading it would end the walk
    // before the d4 subtree. After 1.d4 the e-pawn is still on e2, so it is never read.
    Board start;
    Board d4 = positionAfter("d2d4");
    BookWriter writer;
    writer.add(start, "e2e4", 20, true, true);
    writer.raw(BookRecord::make(3, false, false, 31, 15));
    writer.add(start, "d2d4", 10, true, false);
    writer.add(d4, "d7d5", 7, false, false);
    OpeningBook book;
    EXPECT_EQ(entriesText(book.lookupBytes(writer.bytes(), d4)), "d7d5:7");

    // Looked up where the walk must enter the e4 subtree, the bad record ends it safely.
    Board e4 = positionAfter("e2e4");
    EXPECT_TRUE(book.lookupBytes(writer.bytes(), e4).empty());
}

TEST_F(OpeningBookTest, TranspositionsContributeEveryPlaceTheyOccur)
{
    OpeningBookBuilder builder;
    builder.addGame(std::vector<std::string> { "g1f3", "g8f6", "c2c4", "e7e6" },
        OpeningBookBuilder::Result::Draw);
    builder.addGame(std::vector<std::string> { "c2c4", "g8f6", "g1f3", "e7e6" },
        OpeningBookBuilder::Result::Draw);
    builder.addGame(std::vector<std::string> { "c2c4", "g8f6", "g1f3", "g7g6" },
        OpeningBookBuilder::Result::Draw);
    Board target = positionAfter("c2c4 g8f6 g1f3");
    OpeningBook book;
    auto results = book.lookupBytes(builder.serialize(), target);
    ASSERT_EQ(results.size(), 3u);
    int e6 = 0;
    for (const BookEntry& entry : results)
        e6 += entry.move == moveIn(target, "e7e6");
    EXPECT_EQ(e6, 2);
}

TEST_F(OpeningBookTest, DamagedFilesGiveWhatWasFoundBeforeTheDamage)
{
    std::string bytes = smallBook();
    Board start;
    OpeningBook book;
    struct Row {
        const char* name;
        std::string data;
        std::size_t results;
    } rows[] = {
        { "empty", "", 0 },
        { "one byte", bytes.substr(0, 1), 0 },
        { "cut inside the e4 subtree", bytes.substr(0, 5), 1 },
        { "cut in the last record", bytes.substr(0, bytes.size() - 1), 1 },
        { "whole", bytes, 2 },
        { "garbage after the end", bytes + "\xFF\xFF\x00", 2 },
    };
    for (const Row& row : rows)
        EXPECT_EQ(book.lookupBytes(row.data, start).size(), row.results) << row.name;
    EXPECT_TRUE(book.lookup("/nonexistent/book.kbk", start).empty());
    EXPECT_TRUE(book.lookup("", start).empty());
    EXPECT_EQ(OpeningBook::bookMove("/nonexistent/book.kbk", BookMode::Best, start), NoMove);
}

TEST_F(OpeningBookTest, ResultsAreCappedAndDeepFilesDoNotExhaustTheStack)
{
    Board start;
    BookWriter many;
    for (int i = 0; i < 300; ++i)
        many.add(start, "g1f3", 1, false, i < 299);
    OpeningBook book;
    EXPECT_EQ(book.lookupBytes(many.bytes(), start).size(), OpeningBook::kMaxResults);

    // Knights going back and forth, 200000 plies deep, then a last sibling at the root.
    BookWriter deep;
    Board board;
    const char* cycle[] = { "g1f3", "g8f6", "f3g1", "f6g8" };
    for (int i = 0; i < 200000; ++i) {
        deep.add(board, cycle[i % 4], 1, i + 1 < 200000, false);
        makeCoordinateMove(board, cycle[i % 4]);
        if (board.historyLength() > 64)
            board = Board(board.fen());
    }
    std::string bytes = deep.bytes();
    // The root record gets a sibling: set its more-siblings flag and append d2d4.
    bytes[0] = char(bytes[0] | (BookRecord::kMoreSiblings >> 8));
    BookWriter tail;
    tail.add(start, "d2d4", 4, false, false);
    bytes += tail.bytes();
    auto results = book.lookupBytes(bytes, start);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].move, moveIn(start, "d2d4"));

    // A position none of the pruning tests rules out drives the walk down the long line;
    // it ends at the depth limit instead of recursing 200000 times.
    Board blackToMove("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_TRUE(book.lookupBytes(bytes, blackToMove).empty());
}

TEST_F(OpeningBookTest, ABookMoveIsReportedLikeAnEngineResult)
{
    TempFolder folder;
    std::string path = folder.file("book.kbk");
    TempFolder::write(path, smallBook());
    test::FakeClock clock;
    EngineOutput output { clock };
    Board e4 = positionAfter("e2e4");
    output.setShadowPosition(e4.fen());
    output.reportDepth(17, 30);
    EngineOutput::setReportTarget(&output);
    Move move = reportBookMove(path, BookMode::Best, e4, *EngineOutput::reportTable());
    EngineOutput::setReportTarget(nullptr);
    EXPECT_EQ(move, moveIn(e4, "e7e5"));
    SearchInfo info = output.snapshot();
    EXPECT_EQ(info.rawLine + " " + info.sanLine + " score " + std::to_string(info.score) +
            " depth " + std::to_string(info.depth) + " of " + std::to_string(info.moveCount) +
            " nodes " + std::to_string(info.nodes),
        "e7e5 1..e5 score 0 depth 1 of 1 nodes 0");

    Board d4 = positionAfter("d2d4");
    EXPECT_EQ(reportBookMove(path, BookMode::Best, d4, *EngineOutput::reportTable()), NoMove);
    EXPECT_EQ(reportBookMove(path, BookMode::Off, e4, *EngineOutput::reportTable()), NoMove);
}

TEST(OpeningBookBuilder, WeightsFollowFrequencyAndResults)
{
    OpeningBookBuilder builder(4);
    for (int i = 0; i < 6; ++i)
        builder.addGame(std::vector<std::string> { "e2e4", "e7e5", "g1f3", "b8c6", "f1b5" },
            OpeningBookBuilder::Result::WhiteWins);
    for (int i = 0; i < 3; ++i)
        builder.addGame(
            std::vector<std::string> { "d2d4", "d7d5" }, OpeningBookBuilder::Result::BlackWins);
    builder.addGame(std::vector<std::string> { "c2c4" }, OpeningBookBuilder::Result::Draw);
    builder.addGame(std::vector<std::string> { "e2e4", "e2e4" }, OpeningBookBuilder::Result::Draw);

    Board start;
    OpeningBook book;
    auto results = book.lookupBytes(builder.serialize(), start);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0], (BookEntry { moveIn(start, "e2e4"), 31 }));
    EXPECT_EQ(results[1].move, moveIn(start, "d2d4"));
    EXPECT_TRUE(results[1].weight >= 1 && results[1].weight <= 31 * 3 / 7) << results[1].weight;

    // The depth limit keeps Bb5 (ply 5) out of the book.
    EXPECT_EQ(book.lookupBytes(builder.serialize(), positionAfter("e2e4 e7e5 g1f3")).size(), 1u);
    EXPECT_TRUE(
        book.lookupBytes(builder.serialize(), positionAfter("e2e4 e7e5 g1f3 b8c6")).empty());

    // Moves played in fewer games than asked are left out with their subtrees.
    EXPECT_EQ(book.lookupBytes(builder.serialize(3), start).size(), 2u);
    // 1.e4 was played in seven games (one stops at an illegal second move).
    EXPECT_EQ(book.lookupBytes(builder.serialize(7), start).size(), 1u);
    EXPECT_TRUE(book.lookupBytes(builder.serialize(8), start).empty());
}

} // namespace
} // namespace velmorak
