#include "sound/MoveWords.h"

#include <gtest/gtest.h>

#include "rules/Board.h"
#include "rules/SanNotation.h"
#include "sound/MoveSounds.h"
#include "support/RecordingSoundOutput.h"

using namespace velmorak;

namespace {

struct Case {
    const char* name;
    const char* fen;
    const char* san;
    const char* soundName;
    const char* brief; // words in mode Brief, state word included
    const char* full; // words in modes Verbose and All
};

const Case kCases[] = {
    { "pawn push to the centre", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e4",
        "move5", "Efrom 4to", "Pawn Efrom 2from Efrom 4to" },
    { "pawn push outside the centre", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "a3", "move1", "Afrom 3to", "Pawn Afrom 2from Afrom 3to" },
    { "knight names its file when two can go",
        "rnbqkb1r/ppp2ppp/5n2/3pp3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 0 1", "Nbd7", "move1",
        "Knight Bfrom Dfrom 7to", "Knight Bfrom 8from Dfrom 7to" },
    { "pawn capture", "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2", "exd5",
        "move7", "Efrom Takes Dfrom 5to", "Pawn Efrom 4from Takes Pawn Dfrom 5to" },
    { "knight takes on e5 from outside the centre", "4k3/7p/8/4p3/6N1/8/P7/4K3 w - - 0 1", "Nxe5",
        "move7", "Knight Takes Efrom 5to", "Knight Gfrom 4from Takes Pawn Efrom 5to" },
    { "rook takes rook", "4k3/8/8/8/8/8/r7/R3K3 w - - 0 1", "Rxa2", "move3", "Rook Takes Afrom 2to",
        "Rook Afrom 1from Takes Rook Afrom 2to" },
    { "rook takes rook in the centre", "4k3/8/8/3r4/8/8/8/3RK3 w - - 0 1", "Rxd5", "move7",
        "Rook Takes Dfrom 5to", "Rook Dfrom 1from Takes Rook Dfrom 5to" },
    { "rook takes queen", "4k3/8/8/8/8/8/q7/R3K3 w - - 0 1", "Rxa2", "move4",
        "Rook Takes Afrom 2to", "Rook Afrom 1from Takes Queen Afrom 2to" },
    { "rook takes queen in the centre", "4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1", "Rxd5", "move8",
        "Rook Takes Dfrom 5to", "Rook Dfrom 1from Takes Queen Dfrom 5to" },
    { "bishop takes rook", "4k3/7p/8/8/8/8/P5r1/4K2B w - - 0 1", "Bxg2", "move4",
        "Bishop Takes Gfrom 2to", "Bishop Hfrom 1from Takes Rook Gfrom 2to" },
    { "king step", "4k3/7p/8/8/8/8/P7/4K3 w - - 0 1", "Ke2", "move2", "King Efrom 2to",
        "King Efrom 1from Efrom 2to" },
    { "queen into the centre", "4k3/8/8/8/8/8/8/3QK3 w - - 0 1", "Qd4", "move6", "Queen Dfrom 4to",
        "Queen Dfrom 1from Dfrom 4to" },
    { "castling short", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", "O-O", "move2", "0-0", "0-0" },
    { "castling long", "4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "O-O-O", "move2", "0-0-0", "0-0-0" },
    { "rook names its rank", "7k/8/8/8/8/4R3/8/K3R3 w - - 0 1", "R1e2", "move2",
        "Rook 1from Efrom 2to", "Rook Efrom 1from Efrom 2to" },
    { "queen names its whole square", "8/8/k7/8/4Q2Q/8/8/K6Q w - - 0 1", "Qh4e1", "move2",
        "Queen Hfrom 4from Efrom 1to", "Queen Hfrom 4from Efrom 1to" },
    { "promotion", "8/4P3/8/8/8/8/k7/4K3 w - - 0 1", "e8=Q", "move1", "Efrom 8to Queen",
        "Pawn Efrom 7from Efrom 8to Queen" },
    { "capture with promotion", "3r4/4P3/8/8/8/8/k6p/4K3 w - - 0 1", "exd8=N", "move4",
        "Efrom Takes Dfrom 8to Knight", "Pawn Efrom 7from Takes Rook Dfrom 8to Knight" },
    { "en passant", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6", "move7",
        "Efrom Takes Dfrom 6to EnPassant", "Pawn Efrom 5from Takes Pawn Dfrom 6to EnPassant" },
    { "black pieces are named alike", "4k3/8/8/8/8/8/8/R3K3 b - - 0 1", "Kd7", "move2",
        "King Dfrom 7to", "King Efrom 8from Dfrom 7to" },
    { "check", "4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "Ra8+", "move2", "Rook Afrom 8to Check",
        "Rook Afrom 1from Afrom 8to Check" },
    { "mate", "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "Ra8#", "move2", "Rook Afrom 8to Checkmate",
        "Rook Afrom 1from Afrom 8to Checkmate" },
    { "stalemate", "k7/8/2Q5/8/8/8/8/7K w - - 0 1", "Qb6", "move2", "Queen Bfrom 6to Stalemate",
        "Queen Cfrom 6from Bfrom 6to Stalemate" },
    { "draw by insufficient material", "4k3/8/8/8/8/8/4q3/4K3 w - - 0 1", "Kxe2", "move4",
        "King Takes Efrom 2to Drawoffer", "King Efrom 1from Takes Queen Efrom 2to Drawoffer" },
};

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

TEST(MoveWords, SoundAndWordsOfEachKindOfMove)
{
    RecordingSoundOutput output;
    MoveSounds sounds(output, "/announce");
    for (const Case& c : kCases) {
        Board board(c.fen);
        Move move = readSan(board, c.san);
        ASSERT_NE(move, NoMove) << c.name;
        std::string san = writeSan(board, move, true);
        EXPECT_EQ(moveSoundName(move), c.soundName) << c.name;
        sounds.setAnnounceMode(AnnounceMode::Brief);
        EXPECT_EQ(joined(sounds.announceWords(move, board, san)), c.brief) << c.name << " " << san;
        for (AnnounceMode mode : { AnnounceMode::Verbose, AnnounceMode::All }) {
            sounds.setAnnounceMode(mode);
            EXPECT_EQ(joined(sounds.announceWords(move, board, san)), c.full) << c.name;
        }
        sounds.setAnnounceMode(AnnounceMode::Off);
        EXPECT_TRUE(sounds.announceWords(move, board, san).empty()) << c.name;
    }
}

TEST(MoveWords, BriefFormFollowsTheSanText)
{
    // The short form reads the origin from the SAN it is given, as it stands.
    Board board("rnbqkb1r/ppp2ppp/5n2/3pp3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 0 1");
    Move move = readSan(board, "Nbd7");
    PieceCode knight = board.pieceAt(move.from);
    EXPECT_EQ(joined(briefMoveWords(move, knight, "Nd7")), "Knight Dfrom 7to");
    EXPECT_EQ(joined(briefMoveWords(move, knight, "N8d7")), "Knight 8from Dfrom 7to");
    EXPECT_EQ(joined(briefMoveWords(move, knight, "Nb8-d7")), "Knight Bfrom 8from Dfrom 7to");
}

TEST(MoveWords, NullAndSentinelMovesSayNothingAndGetTheDefaultSound)
{
    for (Move move : { NullMove, NoMove, EmptyMove, AmbiguousMove }) {
        EXPECT_EQ(moveSoundNumber(move), 0);
        EXPECT_TRUE(briefMoveWords(move, kWhiteKing, "Ke2").empty());
        EXPECT_TRUE(fullMoveWords(move).empty());
    }
    RecordingSoundOutput output;
    MoveSounds sounds(output, "/announce");
    sounds.setAnnounceMode(AnnounceMode::All);
    Board board;
    EXPECT_TRUE(sounds.announceWords(NoMove, board, "").empty());
    EXPECT_TRUE(sounds.announceWords(NullMove, board, "--").empty());
}

} // namespace
