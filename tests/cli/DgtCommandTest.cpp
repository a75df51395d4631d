// velmorak-cli dgt against a simulated board on a pseudo-terminal: the real serial line,
// driver, link and controller, the command's output checked line by line.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "dgt/DgtBoardRecognizer.h"
#include "support/CliProcess.h"
#include "support/PtyDgtBoard.h"
#include "support/TempFolder.h"
#include "support/TextChecks.h"

namespace {

using velmorak::test::contains;
using velmorak::test::PtyDgtBoard;
using velmorak::test::SimulatedDgtBoard;

// The command with a folder of its own, two players at the board: no engine answers.
struct DgtRun {
    explicit DgtRun(bool answers = true)
        : pty(answers)
    {
        TempFolder::write(folder.file("settings.reg"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]\n"
            "\"IDC_CBAUTOANSWER\"=dword:00000000\n");
        pty.act([](SimulatedDgtBoard& board) { board.setImage(velmorak::dgtStartImage()); });
        cli.emplace(std::vector<std::string> { "dgt", "--port", pty.path(), "--settings",
                        folder.file("settings.reg") },
            std::vector<std::pair<std::string, std::string>> {
                { "VELMORAK_DOCUMENTS", folder.path() } });
    }
    bool waitFor(const std::string& line, int timeoutMs = 10000)
    {
        bool found = cli->waitForLine(
            line, [] {}, timeoutMs);
        EXPECT_TRUE(found) << "no '" << line << "' in:\n" << cli->out() << cli->err();
        return found;
    }
    void move(const char* from, const char* to)
    {
        pty.act([=](SimulatedDgtBoard& board) { board.move(from, to); });
    }

    TempFolder folder;
    PtyDgtBoard pty;
    std::optional<CliProcess> cli;
};

} // namespace

TEST(DgtCommand, FollowsAGameOnTheBoardThroughAnUnplugAndPrintsItsPgn)
{
    DgtRun run;
    ASSERT_TRUE(run.waitFor("event STARTINGPOSITION"));
    ASSERT_TRUE(run.waitFor("fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    run.move("e2", "e4");
    ASSERT_TRUE(run.waitFor("move e4"));
    run.move("e7", "e5");
    ASSERT_TRUE(run.waitFor("fen rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2"));
    ASSERT_TRUE(run.waitFor("move e5"));
    run.pty.act([](SimulatedDgtBoard& board) { board.setClock(300, 295); });
    ASSERT_TRUE(run.waitFor("clock 0:05:00 0:04:55"));

    // Unplugged, a move made meanwhile, plugged back: the board is read afresh and the move
    // found there enters the game.
    run.pty.server().unplug();
    run.move("g1", "f3");
    run.pty.server().plugBack();
    ASSERT_TRUE(run.waitFor("move Nf3", 15000));
    run.move("b8", "c6");
    ASSERT_TRUE(run.waitFor("move Nc6"));

    run.cli->write("quit\n");
    EXPECT_EQ(run.cli->finish([] {}), 0) << run.cli->err();
    EXPECT_TRUE(contains(run.cli->out(), "\n1. e4 e5 2. Nf3 Nc6 *")) << run.cli->out();
    EXPECT_TRUE(contains(run.cli->err(), "disconnected")) << run.cli->err();
    for (const char* line : { "DGT board connected" })
        EXPECT_FALSE(contains(run.cli->out(), line)) << "status goes to standard error";
}

TEST(DgtCommand, APortWithoutABoardEndsWithTheMessage)
{
    DgtRun run(false);
    EXPECT_EQ(run.cli->finish([] {}), 1);
    EXPECT_EQ(run.cli->out(), "message Velmorak: DGT-Board not properly connected\n");
}
