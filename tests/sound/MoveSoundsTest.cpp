#include "sound/MoveSounds.h"

#include <gtest/gtest.h>

#include "rules/SanNotation.h"
#include "support/RecordingSoundOutput.h"
#include "support/TempFolder.h"

using namespace velmorak;

namespace {

const std::string kFolder = "/prog/announce";

std::vector<std::string> files(std::initializer_list<const char*> words)
{
    std::vector<std::string> events;
    for (const char* word : words)
        events.push_back("file " + kFolder + "/" + word + ".wav");
    return events;
}

TEST(MoveSounds, SoundsAndAnnouncementsFollowTheirOptions)
{
    RecordingSoundOutput output;
    MoveSounds sounds(output, kFolder);
    Board board("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    Move mate = readSan(board, "Ra8#");
    sounds.PlayMoveSound(mate);
    sounds.PlayMoveSound(NullMove);
    sounds.setSoundOn(false);
    sounds.PlayMoveSound(mate);
    EXPECT_EQ(output.events, (std::vector<std::string> { "async move2", "default" }));

    // Announcing a made move in each mode: MoveSounds.WhichMadeMovesAreSpoken.
    output.events.clear();
    sounds.AnnounceMoveFull(mate);
    EXPECT_TRUE(output.events.empty()) << "mode Off says nothing";
    sounds.setAnnounceMode(AnnounceMode::Brief);
    sounds.AnnounceMoveFull(mate);
    EXPECT_EQ(output.events, files({ "Rook", "Afrom", "1from", "Afrom", "8to" }))
        << "the full form in any mode but Off, without a state word";
    output.events.clear();
    sounds.AnnounceState(GameEndCode::FiftyMoveRule, false);
    sounds.AnnounceState(GameEndCode::None, false);
    EXPECT_EQ(output.events, files({ "Drawoffer" }));
}

TEST(MoveSounds, WhichMadeMovesAreSpoken)
{
    Board board("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    Move mate = readSan(board, "Ra8#");
    const auto whole = files({ "Rook", "Afrom", "8to", "Checkmate" });
    const auto stateOnly = files({ "Checkmate" });
    const std::vector<std::string> nothing;
    struct Row {
        const char* name;
        AnnounceMode mode;
        MoveSource source;
        bool dgt;
        const std::vector<std::string>& expected;
    };
    const Row rows[] = {
        { "engine move", AnnounceMode::Brief, MoveSource::Engine, false, whole },
        { "server move", AnnounceMode::Brief, MoveSource::Server, false, whole },
        { "user move in mode All", AnnounceMode::All, MoveSource::User, false,
            files({ "Rook", "Afrom", "1from", "Afrom", "8to", "Checkmate" }) },
        { "user move, Brief, no board", AnnounceMode::Brief, MoveSource::User, false, nothing },
        { "user move, Brief, DGT board", AnnounceMode::Brief, MoveSource::User, true, stateOnly },
        { "user move, Verbose, DGT board", AnnounceMode::Verbose, MoveSource::User, true,
            stateOnly },
        { "engine move, Off", AnnounceMode::Off, MoveSource::Engine, true, nothing },
        { "user move, Off, DGT board", AnnounceMode::Off, MoveSource::User, true, nothing },
    };
    for (const Row& row : rows) {
        RecordingSoundOutput output;
        MoveSounds sounds(output, kFolder);
        sounds.setAnnounceMode(row.mode);
        sounds.announceMadeMove(row.source, mate, board, "Ra8#", row.dgt);
        EXPECT_EQ(output.events, row.expected) << row.name;
    }
}

TEST(MoveSounds, AMissingWordFileIsSkippedAndTheNextFollows)
{
    RecordingSoundOutput output;
    for (const char* word : { "Knight", "Dfrom", "7to" })
        output.existingFiles.insert(kFolder + "/" + word + ".wav");
    MoveSounds sounds(output, kFolder);
    sounds.setAnnounceMode(AnnounceMode::Brief);
    Board board("rnbqkb1r/ppp2ppp/5n2/3pp3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 0 1");
    EXPECT_FALSE(sounds.SpeakWord("Bfrom"));
    output.events.clear();
    sounds.AnnounceMove(readSan(board, "Nbd7"), board, "Nbd7");
    EXPECT_EQ(output.events, files({ "Knight", "Bfrom", "Dfrom", "7to" }));
}

TEST(MoveSounds, AnnounceModeIsOffWithoutTheVoiceFiles)
{
    TempFolder folder;
    EXPECT_FALSE(hasVoiceFiles(folder.path()));
    EXPECT_FALSE(hasVoiceFiles(folder.file("absent")));
    TempFolder::write(folder.file("1from.wav"), "RIFF");
    EXPECT_TRUE(hasVoiceFiles(folder.path()));

    EXPECT_EQ(effectiveAnnounceMode(3, false), AnnounceMode::Off);
    EXPECT_EQ(effectiveAnnounceMode(3, true), AnnounceMode::All);
    EXPECT_EQ(effectiveAnnounceMode(1, true), AnnounceMode::Brief);
    EXPECT_EQ(effectiveAnnounceMode(7, true), AnnounceMode::Off);
    EXPECT_EQ(effectiveAnnounceMode(-1, true), AnnounceMode::Off);
}

} // namespace
