// velmorak-cli engine and book commands, run as a user runs them.
#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/CliRunner.h"
#include "support/TempFolder.h"

namespace {

using CliRun = CliResult;

const char* kStart = "'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'";

// Other refusals of the engine and book commands are rows of cli-cases.txt.
TEST(EngineCommands, ARefusedBookBuildLeavesNoFileBehind)
{
    TempFolder folder;
    CliRun run = runCli("book build /nonexistent.pgn -o " + folder.file("never.kbk"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err, "");
    EXPECT_EQ(folder.entryCount(), 0);
}

TEST(EngineCommands, AnalysePrintsTheTestEnginesReportsInOrder)
{
    CliRun run = runCli(std::string("engine analyse ") + kStart + " --depth 3 --engine TestEngine",
        "VELMORAK_TESTENGINE='depth 3 5;current g1f3 0 20;line 42 g1f3 d7d5 c2c4'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
        "engine TestEngine\n"
        "depth 3/5\n"
        "current 1/20 Nf3\n"
        "line +0.42 d3: 1.Nf3 d5 2.c4  [g1f3 d7d5 c2c4]\n"
        "bestmove g1f3 (Nf3)\n");
}

TEST(EngineCommands, AFailedSearchSaysWhyWithinSeconds)
{
    // The bridge's texts for each cause are its own tests; here they reach the user.
    const struct {
        const char* name;
        const char* environment;
        const char* reason;
    } rows[] = {
        { "a filter", "VELMORAK_UCI_ENGINE=/bin/cat", "'/bin/cat' is not a UCI engine" },
        { "refused by the plug-in", "VELMORAK_TESTENGINE='error position refused: no kings'",
            "velmorak-cli engine: position refused: no kings" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bool test = std::string_view(row.environment).starts_with("VELMORAK_TESTENGINE");
        auto started = std::chrono::steady_clock::now();
        CliRun run =
            runCli(std::string("engine analyse ") + kStart + (test ? " --engine TestEngine" : ""),
                row.environment);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find("bestmove (none)"), std::string::npos);
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << run.err;
    }
}

TEST(EngineCommands, PlayWritesAFinishedGameAsPgn)
{
    // The test engine plays the first legal move; the rules end the game.
    CliRun run = runCli("engine play --depth 1 --engine TestEngine");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("[White \"TestEngine\"]"), std::string::npos);
    EXPECT_NE(run.out.find("[Termination \""), std::string::npos);
    EXPECT_EQ(run.out.find("[Result \"*\"]"), std::string::npos);
    EXPECT_NE(run.out.find("1. a3"), std::string::npos) << run.out.substr(0, 400);
}

TEST(BookCommands, BuildThenLookUp)
{
    TempFolder folder;
    TempFolder::write(folder.file("games.pgn"),
        "[Result \"1-0\"]\n\n1. e4 c5 2. Nf3 d6 1-0\n\n"
        "[Result \"0-1\"]\n\n1. e4 e5 2. Nf3 Nc6 0-1\n\n"
        "[Result \"1-0\"]\n\n1. e4 c5 2. Nc3 1-0\n\n"
        "[Result \"*\"]\n\n1. e4 e4 *\n\n"
        "[FEN \"8/8/8/4k3/8/8/4K3/8 w - - 0 1\"]\n\n1. Ke3 *\n");
    std::string book = folder.file("small.kbk");
    CliRun build =
        runCli("book build '" + folder.file("games.pgn") + "' -o '" + book + "' --plies 2");
    ASSERT_EQ(build.exitCode, 0) << build.err;
    EXPECT_NE(build.out.find("games read 4, refused 1, from set-up positions (left out) 1"),
        std::string::npos)
        << build.out;
    CliRun lookup = runCli("book lookup '" + book +
        "' 'rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1' --mode best");
    ASSERT_EQ(lookup.exitCode, 0) << lookup.err;
    // c5: played twice, lost twice: 31 x 1 x (0.5 + 1/4) = 23. e5: once, won: 31 x 1/2 x 1.
    EXPECT_EQ(lookup.out, "c7c5 c5 23\ne7e5 e5 16\nchosen c7c5 c5\n");
    // Beyond the two plies the book holds nothing.
    CliRun after = runCli("book lookup '" + book +
        "' 'rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2'");
    EXPECT_EQ(after.out, "chosen (none)\n");
    // A Polyglot book named in capitals is read as one: the start position's key, e2e4.
    TempFolder::write(folder.file("ONE.BIN"),
        std::string("\x46\x3b\x96\x18\x16\x91\xfc\x9c\x03\x1c\x00\x01\0\0\0\0", 16));
    CliRun polyglot = runCli("book lookup '" + folder.file("ONE.BIN") + "' " + kStart);
    EXPECT_EQ(polyglot.out, "e2e4 e4 1\nchosen e2e4 e4\n") << polyglot.err;
}

} // namespace
