// The program's one open database: every branch of "Save game" against real files, deleting
// the selected game, the sheet's most recent database, loading by command, and the cores of
// "Game details" and "Comment move".
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/CommentMove.h"
#include "app/GameDetails.h"
#include "support/ControllerHarness.h"
#include "support/PgnFiles.h"

namespace velmorak::test {
namespace {

constexpr const char* kThreeGames =
    "[Event \"E1\"]\n[White \"W1\"]\n[Black \"B1\"]\n[Result \"1-0\"]\n\n1. e4 e5 1-0\n\n"
    "[Event \"E2\"]\n[White \"W2\"]\n[Black \"B2\"]\n[Result \"0-1\"]\n\n1. d4 d5 0-1\n\n"
    "[Event \"E3\"]\n[White \"W3\"]\n[Black \"B3\"]\n[Result \"*\"]\n\n1. c4 *\n";

struct Session : ControllerHarness {
    Session()
        : ControllerHarness(std::nullopt)
    {
        TempFolder::write(path, kThreeGames);
        std::filesystem::create_directory(folder.file("sub"));
        playAll({ "f4", "e5" });
        c().game().setEvent("Mine");
    }
    DatabaseSession& s() { return c().databases(); }
    void openDatabase() { ASSERT_TRUE(s().open(path, true)); }
    std::string lastShown() { return prompts.shown.empty() ? "" : prompts.shown.back(); }
    std::string path = folder.file("games.pgn");
};

using Outcome = DatabaseSession::SaveOutcome;

TEST(DatabaseSession, EverySaveBranchWritesTheFileItNamesAndReopensTheOpenOne)
{
    struct Row {
        const char* name;
        bool open;
        // The file dialog's answer; "open" names the open database by another spelling.
        const char* chosen;
        Outcome (DatabaseSession::*save)();
        std::deque<bool> answers;
        Outcome outcome;
        const char* message;
        int openGames;
        int otherGames; // -1: never written
    };
    const Row rows[] = {
        { "current", true, nullptr, &DatabaseSession::saveToCurrent, {}, Outcome::Saved, "", 4,
            -1 },
        { "none open", false, "other", &DatabaseSession::saveToCurrent, {}, Outcome::Saved,
            "Select database: file", 3, 1 },
        { "chosen is open", true, "open", &DatabaseSession::saveToChosen, {}, Outcome::Saved,
            "Select database: file", 4, -1 },
        { "new, kept", true, "open", &DatabaseSession::saveToNew, { false }, Outcome::Cancelled,
            "New database: games.pgn already exists.\nDo you want to replace it?", 3, -1 },
        { "new over open", true, "open", &DatabaseSession::saveToNew, { true }, Outcome::Saved,
            "New database: games.pgn already exists.\nDo you want to replace it?", 1, -1 },
        { "new", false, "other", &DatabaseSession::saveToNew, {}, Outcome::Saved,
            "New database: file", 3, 1 },
        { "replace, no", true, nullptr, &DatabaseSession::replaceSelected, { false },
            Outcome::Cancelled, "Save game: Replace game 1 (W1 - B1, E1) by current game?", 3, -1 },
        { "folder", false, "sub", &DatabaseSession::saveToChosen, {}, Outcome::Failed,
            "Save game: Not a regular file ", 3, -1 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Session h;
        if (row.open)
            h.openDatabase();
        const std::string other = h.folder.file("other.pgn");
        if (row.chosen) {
            const std::string chosen = row.chosen;
            h.prompts.files = { chosen == "open" ? h.folder.file("sub/../games.pgn")
                    : chosen == "sub"            ? h.folder.file("sub")
                                                 : other };
        }
        h.prompts.answers = row.answers;
        EXPECT_EQ((h.s().*row.save)(), row.outcome);
        EXPECT_TRUE(std::any_of(h.prompts.shown.begin(), h.prompts.shown.end(),
            [&](const std::string& shown) { return shown.starts_with(row.message); }));
        EXPECT_EQ(readableGames(h.path), row.openGames);
        EXPECT_EQ(readableGames(other), row.otherGames);
        if (h.s().isOpen()) {
            EXPECT_EQ(int(h.s().database().getEntries().size()), row.openGames)
                << "the index follows the file";
        }
    }
}

TEST(DatabaseSession, ReplaceAsksAboutTheSelectedGameAndThePagesShowTheNewOne)
{
    Session h;
    h.openDatabase();
    h.s().sortBy(1);
    h.s().sortBy(1);
    h.s().list().setSelected(1);
    ASSERT_EQ(h.s().selectedGame()->white(), "W2");
    h.prompts.answers = { true };
    EXPECT_EQ(h.s().replaceSelected(), Outcome::Saved);
    EXPECT_EQ(h.lastShown(), "Save game: Replace game 2 (W2 - B2, E2) by current game?");
    EXPECT_EQ(h.s().list().selected(), 1) << "the selection stays";
    EXPECT_EQ(h.options.databaseSortMode, -2);
    EXPECT_EQ(h.s().list().fullOrder().front(), 2) << "White descending, kept by the reopen";
    EXPECT_EQ(h.s().selectedGame()->event(), "Mine") << "not the game cached before";
    EXPECT_EQ(readableGames(h.path), 3);

    // A file changed behind the index is not rewritten: the user hears why.
    TempFolder::write(h.path, kThreeGames);
    h.prompts.answers = { true };
    EXPECT_EQ(h.s().replaceSelected(), Outcome::Failed);
    EXPECT_EQ(
        h.lastShown(), "Save game: " + CDatabase::errorText(CDatabase::ChangedOnDisk, h.path));

    h.s().list().setSelected(-1);
    EXPECT_EQ(h.s().replaceSelected(), Outcome::Saved);
    EXPECT_EQ(h.lastShown(), "Velmorak: No game selected, appending to games.pgn.");
}

TEST(DatabaseSession, DeleteRemovesTheSelectedGameNotTheLastOneRead)
{
    Session h;
    h.openDatabase();
    h.s().list().setSelected(2);
    ASSERT_TRUE(h.s().selectedGame());
    h.s().list().setSelected(0);
    h.prompts.answers = { true };
    EXPECT_TRUE(h.s().deleteSelected());
    EXPECT_EQ(h.lastShown(), "Delete game: Are you sure?");
    EXPECT_EQ(TempFolder::read(h.path).find("E1"), std::string::npos);
    EXPECT_NE(TempFolder::read(h.path).find("E3"), std::string::npos);
    EXPECT_EQ(h.s().list().fullOrder().size(), 2u);
    EXPECT_EQ(h.s().list().selected(), 0);
    EXPECT_EQ(h.s().selectedGame()->event(), "E2");

    h.s().list().setSelected(-1);
    EXPECT_FALSE(h.s().deleteSelected());
    EXPECT_EQ(h.lastShown(), "Delete game: Select a game first!");
    EXPECT_EQ(readableGames(h.path), 2);
}

TEST(DatabaseSession, NextAndPreviousGameAndTheSheetHandTheGameToTheController)
{
    Session h;
    EXPECT_FALSE(h.s().loadStep(1));
    EXPECT_EQ(h.prompts.shown[h.prompts.shown.size() - 2],
        "Velmorak: No database opened, please open a database first!");
    EXPECT_EQ(h.c().game().event(), "Mine") << "no file chosen, nothing happens";

    h.prompts.files = { h.path };
    EXPECT_TRUE(h.s().loadStep(1));
    EXPECT_EQ(h.c().game().event(), "E2");
    EXPECT_EQ(h.c().state().gameFile, "games.pgn");
    EXPECT_TRUE(h.s().loadStep(-1) && h.s().loadStep(-1));
    EXPECT_EQ(h.c().game().event(), "E3") << "wrapped round";

    // The autosave file may be browsed, but never stays the open database.
    h.c().autosaveGame();
    h.c().waitForAutosave();
    ASSERT_TRUE(h.s().open(h.folder.file("vmautosave.pgn"), true));
    EXPECT_TRUE(h.s().closeSheet());
    EXPECT_TRUE(h.s().isOpenDatabase(h.path)) << "the most recent database is back";
    h.settings.writeString(kMostRecentDatabaseSetting, h.folder.file("vmautosave.pgn"));
    h.s().database().close();
    h.s().openSheet();
    EXPECT_FALSE(h.s().isOpen());
    std::string recent = "unread";
    h.settings.readString(kMostRecentDatabaseSetting, recent);
    EXPECT_EQ(recent, "");
}

TEST(DatabaseSession, TheSheetOpensInTheBackgroundKeepingWhatWasChosenAndOffersReload)
{
    Session h;
    h.settings.writeString(kMostRecentDatabaseSetting, h.path);
    h.s().openSheet();
    EXPECT_TRUE(h.s().indexing());
    EXPECT_FALSE(h.s().isOpen()) << "the database is the opening thread's until it is done";
    EXPECT_EQ(h.s().fileLabel(), "games.pgn");
    h.s().chooseWhileIndexing(2);
    h.s().settleOpen();
    ASSERT_TRUE(h.s().isOpen());
    EXPECT_EQ(h.s().list().fullOrder().size(), 3u);
    EXPECT_EQ(h.s().list().selected(), 2);

    // Another program adds a game: the sheet says so and reads the file again.
    EXPECT_FALSE(h.s().offerReload());
    h.s().list().setSelected(1);
    TempFolder::write(h.path, std::string(kThreeGames) + "\n[Event \"E4\"]\n\n1. a3 *\n");
    h.prompts.answers = { true };
    EXPECT_TRUE(h.s().offerReload());
    EXPECT_EQ(h.lastShown(),
        "Velmorak: The file was changed by another program: " + h.path + "\n\nReload it?");
    h.s().settleOpen();
    EXPECT_EQ(h.s().list().fullOrder().size(), 4u);
    EXPECT_EQ(h.s().list().selected(), 1);
    EXPECT_FALSE(h.s().changedOnDisk());

    // The Delete key names the game, since its fields are not in view.
    h.prompts.answers = { false };
    EXPECT_FALSE(h.s().deleteSelected(true));
    EXPECT_EQ(h.lastShown(), "Delete game: Delete game 2 (W2 - B2, E2)?\n\nAre you sure?");

    // Cancelling is the user's own doing: no box, and no file is remembered for it.
    const std::string big = h.folder.file("big.pgn");
    TempFolder::write(big, realGames(20000));
    const std::size_t boxes = h.prompts.shown.size();
    h.s().beginOpen(big, true);
    h.s().cancelOpen();
    h.s().settleOpen();
    EXPECT_FALSE(h.s().isOpen());
    EXPECT_EQ(h.prompts.shown.size(), boxes);
    std::string recent;
    h.settings.readString(kMostRecentDatabaseSetting, recent);
    EXPECT_EQ(recent, h.path);

    // A most recent database that has gone is forgotten without a box.
    h.settings.writeString(kMostRecentDatabaseSetting, h.folder.file("gone.pgn"));
    h.s().openSheet();
    h.s().settleOpen();
    h.settings.readString(kMostRecentDatabaseSetting, recent);
    EXPECT_EQ(recent, "");
    EXPECT_EQ(h.prompts.shown.size(), boxes);
}

TEST(GameDetails, OnlyEditedFieldsAreWrittenAndTagNamesStayReadable)
{
    CPgnGame game;
    const std::string longName(70, 'n');
    game.setWhite(longName);
    game.setResult("1-0 forfeit");
    game.setRound("3");
    game.setChanged(false);
    GameDetails details(game, { "Owner", longName, "Velmorak" });
    EXPECT_EQ(details.playerNames(), (std::vector<std::string> { longName, "Owner", "Velmorak" }));
    EXPECT_FALSE(details.store(game));
    EXPECT_EQ(game.white(), longName);
    EXPECT_EQ(game.result(), "1-0 forfeit");
    EXPECT_FALSE(game.changed());

    for (const char* bad : { "My Tag", "Say\"", "", "White" })
        EXPECT_FALSE(details.setOtherTag(bad, "x")) << bad;
    EXPECT_TRUE(details.setOtherTag("Round", "4"));
    EXPECT_TRUE(details.setOtherTag("Annotator_2", "me"));
    details.event = "Club";
    details.undo();
    EXPECT_EQ(details.otherValue("Round"), "3");
    details.event = "Club";
    EXPECT_TRUE(details.setOtherTag("Annotator_2", "me"));
    EXPECT_TRUE(details.store(game));
    EXPECT_EQ(game.event(), "Club");
    EXPECT_EQ(game.getTag("Annotator_2"), "me");
    EXPECT_EQ(game.result(), "1-0 forfeit");
}

TEST(CommentMove, TheTappedMoveIsUsedOnceAndForgottenWhenItsNodeMayBeGone)
{
    Session h;
    h.options.variationMode = int(VariationMode::ReplaceMainLine);
    h.c().takeBackToNode(h.c().currentNode()->parent());
    {
        CommentMove dialog(h.c());
        ASSERT_TRUE(dialog.isOpen());
        dialog.setNag(1);
        EXPECT_EQ(dialog.label(), "1.f4!");
        dialog.close("good }");
    }
    EXPECT_EQ(h.c().currentNode()->comment(), "good )");
    EXPECT_EQ(CommentMove(h.c()).label(), "1.f4!") << "the tap is used up: the current move";

    // The tapped move goes when the main line is replaced.
    h.c().takeBackToNode(h.c().currentNode());
    h.c().backToStart();
    ASSERT_TRUE(h.play("d4"));
    h.c().backToStart();
    EXPECT_FALSE(CommentMove(h.c()).isOpen());
    EXPECT_EQ(h.lastShown(), "Velmorak: Not possible in starting position.");

    // Deleting the line of the tapped move forgets the tap.
    h.c().forwardMove();
    h.playAll({ "d5" });
    CGameNode* d4 = h.c().currentNode()->parent();
    h.c().takeBackToNode(d4);
    EXPECT_TRUE(h.c().deleteLine(d4));
    EXPECT_EQ(h.c().currentNode(), h.c().game().root());
    EXPECT_EQ(h.c().game().root()->childCount(), 0);
    EXPECT_FALSE(CommentMove(h.c()).isOpen());
}

} // namespace
} // namespace velmorak::test
