#include "sound/MoveWords.h"

#include <gtest/gtest.h>

#include "rules/Board.h"
#include "rules/SanNotation.h"
#include "sound/MoveSounds.h"
#include "support/RecordingSoundOutput.h"
#include "support/TableFile.h"

using namespace velmorak;

namespace {

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
    const auto rows = readTableFile(VELMORAK_SOURCE_DIR "/tests/sound/move-words.txt");
    ASSERT_GE(rows.size(), 24u);
    for (const TableRow& row : rows) {
        ASSERT_EQ(row.size(), 6u) << row[0];
        const std::string& name = row[0];
        Board board(row[1]);
        Move move = readSan(board, row[2]);
        ASSERT_NE(move, NoMove) << name;
        std::string san = writeSan(board, move, true);
        EXPECT_EQ(moveSoundName(move), row[3]) << name;
        sounds.setAnnounceMode(AnnounceMode::Brief);
        EXPECT_EQ(joined(sounds.announceWords(move, board, san)), row[4]) << name << " " << san;
        for (AnnounceMode mode : { AnnounceMode::Verbose, AnnounceMode::All }) {
            sounds.setAnnounceMode(mode);
            EXPECT_EQ(joined(sounds.announceWords(move, board, san)), row[5]) << name;
        }
        sounds.setAnnounceMode(AnnounceMode::Off);
        EXPECT_TRUE(sounds.announceWords(move, board, san).empty()) << name;
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
