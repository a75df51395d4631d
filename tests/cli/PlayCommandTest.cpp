// velmorak-cli play with the test engine: scripted sessions on standard input, checked
// event by event.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/CliRunner.h"
#include "support/TempFolder.h"
#include "support/TextChecks.h"

namespace {

using velmorak::test::contains;

const char* kAfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
const char* kAfterE5 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2";
const char* kFoolsMate = "line 0 f2f3;---;line 0 e7e5;---;line 0 g2g4;---;line 0 d8h4";

// One run of the command in `folder`, which holds its documents folder (the autosave) and
// its settings file, so that runs in the same folder continue each other. The program's
// own book stays out of the first moves, which are the scripted engine's to choose.
// The engine's calls are logged to the folder's "engine.log".
// `wrapper` runs the command (a time limit).
CliResult play(const TempFolder& folder, const std::string& input, const std::string& options,
    const std::string& script = "", const std::string& wrapper = "")
{
    if (!std::filesystem::exists(folder.file("settings.reg")))
        TempFolder::write(folder.file("settings.reg"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\software\\Brindleworks\\Velmorak\\Settings]\n"
            "\"IDC_CBGUIBOOK\"=dword:00000000\n");
    TempFolder::write(folder.file("input"), input);
    return runCli("play --engine TestEngine --settings '" + folder.file("settings.reg") + "' " +
            options + " < '" + folder.file("input") + "'",
        "VELMORAK_DOCUMENTS='" + folder.path() + "' VELMORAK_TESTENGINE='" + script +
            "' VELMORAK_TESTENGINE_LOG='" + folder.file("engine.log") + "' " + wrapper);
}

// A run that must end well (exit status 0).
CliResult playOk(const TempFolder& folder, const std::string& input, const std::string& options,
    const std::string& script = "", const std::string& wrapper = "")
{
    CliResult run = play(folder, input, options, script, wrapper);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run;
}

// The event lines before the PGN, without the clock lines, whose number depends on timing.
std::vector<std::string> events(const std::string& out)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line) && !line.starts_with("[Event");)
        if (!line.starts_with("clock "))
            lines.push_back(line);
    return lines;
}

TEST(PlayCommand, ScriptedSessionPrintsEachEventInOrder)
{
    TempFolder folder;
    // The engine's first answer takes a while: the typed moves after it wait for it. The
    // second search is taken back before it ends and never reports.
    CliResult run = playOk(folder, "e4\nhello\nNf3\nback\nboard\nlevel depth:\x1b[2J\nquit\nd4\n",
        "", "sleep 300;line 0 e7e5;---;waitstop;stopcheck;line 0 b8c6");
    EXPECT_TRUE(std::filesystem::exists(folder.file("vmbook.kbk")))
        << "the shipped book is copied to the documents folder on the first run";
    std::vector<std::string> expected { "move e4", std::string("fen ") + kAfterE4,
        "info depth 0 score +0.00 pv 1..e5", "move e5", std::string("fen ") + kAfterE5,
        "message Velmorak: unknown command 'hello'; type a move or one of: back forward start "
        "end new movenow analyse replay level board pgn quit hint threat status coach train",
        "move Nf3", "fen rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2",
        std::string("fen ") + kAfterE5, "rnbqkbnr", "pppp.ppp", "........", "....p...", "....P...",
        "........", "PPPP.PPP", "RNBQKBNR" };
    std::vector<std::string> got = events(run.out);
    ASSERT_GE(got.size(), expected.size() + 1) << run.out;
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + long(expected.size())), expected);
    // The level text comes back in the message, its control bytes defused.
    EXPECT_TRUE(got[expected.size()].starts_with("message Velmorak: bad level \"depth:?[2J\""))
        << got[expected.size()];
    EXPECT_TRUE(contains(run.out, "\n1. e4 e5 2. Nf3 *"));
}

TEST(PlayCommand, LevelsReachTheEngineAndItsClockTicksWhileItThinks)
{
    TempFolder given;
    playOk(given, "e4\n", "--level depth:2", "line 0 e7e5");
    EXPECT_TRUE(contains(TempFolder::read(given.file("engine.log")), "SetLevel 1 999999 0 2\n"));

    // Typed while the engine is idle (a new level cancels a search for the engine's move).
    TempFolder typed;
    CliResult run = playOk(typed, "level movetime:5\ne4\n", "", "sleep 1300;line 0 e7e5");
    EXPECT_TRUE(contains(
        TempFolder::read(typed.file("engine.log")), "SetTimeControl 1 5\nSetLevel 1 5 0 99\n"));
    // The fixed level counts the engine's thinking time up from zero.
    EXPECT_TRUE(contains(run.out, "\nclock 00:00 00:0"));
    EXPECT_TRUE(contains(run.out, "\n1. e4 e5 *"));

    // Two hours a side: written out, never to be read as minutes and seconds.
    TempFolder hours;
    run = playOk(hours, "e4\n", "--level blitz:120+0", "sleep 1300;line 0 e7e5");
    EXPECT_TRUE(contains(run.out, "\nclock 2:00:00 "));
}

TEST(PlayCommand, InputWithoutALastLineBreakOrWithEndlessLinesIsStillRead)
{
    TempFolder folder;
    // A line of 100000 bytes is cut and refused as one line; the last line counts without
    // its line break.
    CliResult run = playOk(folder, std::string(100000, 'x') + "\ne4", "--black human");
    EXPECT_EQ(events(run.out),
        (std::vector<std::string> { "message Velmorak: unknown command '" + std::string(40, 'x') +
                "...'; type a move or one of: back forward start end new movenow analyse "
                "replay level board pgn quit hint threat status coach train",
            "move e4", std::string("fen ") + kAfterE4 }));
}

TEST(PlayCommand, TwoHumanSidesGetEveryQuestionAnsweredWithItsDefault)
{
    TempFolder folder;
    // No engine answers; the new move at a node with a continuation asks "Add line" (Add
    // main line), going forward from there asks "Select line" (the main line), a new game
    // asks for confirmation (OK).
    CliResult run = playOk(folder, "e4\nback\nd4\nstart\nforward\npgn\nnew\n", "--black human");
    const std::string start = "fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const std::string afterD4 = "fen rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1";
    EXPECT_EQ(events(run.out),
        (std::vector<std::string> { "move e4", std::string("fen ") + kAfterE4, start,
            "message Add line: 1.d4", "move d4", afterD4, start, "message Select line: 1.d4, 1.e4",
            afterD4 }));
    std::size_t tree = run.out.find("\n1. d4 (1. e4) *");
    ASSERT_NE(tree, std::string::npos) << run.out;
    EXPECT_TRUE(contains(
        run.out.substr(tree), "message Velmorak: Do you really want a new game?\n" + start));
}

TEST(PlayCommand, HintsThreatsAndTheStatusPanelAreShownNotPlayed)
{
    TempFolder folder;
    CliResult run = playOk(
        folder, "status\nhint\nthreat\nquit\n", "--black human", "line 0 g1f3;---;line 0 e7e5");
    EXPECT_EQ(events(run.out),
        (std::vector<std::string> { "status Level 5min |  ", "info depth 0 score +0.00 pv 1.Nf3",
            "hint Nf3", "info depth 0 score +0.00 pv 1..e5", "threat e5" }));
}

TEST(PlayCommand, TrainingJudgesTypedMovesAndAsksAtTheEnd)
{
    TempFolder folder;
    TempFolder::write(folder.file("one.pgn"),
        "[FEN \"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1\"]\n[SetUp \"1\"]\n\n1. Ra8# *\n");
    CliResult run =
        playOk(folder, "train " + folder.file("one.pgn") + "\nRa7\nRa8#\nquit\n", "--black human");
    EXPECT_EQ(events(run.out),
        (std::vector<std::string> { "fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1",
            "message Training: Sorry wrong move. Do you need help?", "hint Ra8#", "move Ra8#",
            "fen R5k1/5ppp/8/8/8/8/8/6K1 b - - 1 1",
            "message Training: Solution found! Continue with next position?",
            "fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1" }));
}

TEST(PlayCommand, APgnGameSetUpFromAPositionGoesOnWhereItsMovesEnd)
{
    TempFolder folder;
    TempFolder::write(folder.file("set-up.pgn"),
        "[SetUp \"1\"][FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 30\"]\n30. e4 Kd7 *\n");
    // e5 is a move only where the game's moves end.
    CliResult run =
        playOk(folder, "e5\n", "--black human --pgn '" + folder.file("set-up.pgn") + "'");
    EXPECT_TRUE(contains(run.out, "\n30. e4 Kd7 31. e5 *"));
}

TEST(PlayCommand, TwoEngineSidesPlayToMateThenSaveAndRestore)
{
    TempFolder folder;
    CliResult run = playOk(folder, "",
        "--white engine --black engine --save '" + folder.file("games.pgn") + "'", kFoolsMate);
    std::vector<std::string> got = events(run.out);
    ASSERT_EQ(got.size(), 13u) << run.out;
    EXPECT_EQ(got[10], "move Qh4#");
    EXPECT_EQ(got[12], "message Velmorak: Checkmate");
    const std::string moves = "1. f3 e5 2. g4 Qh4# {Black mates} 0-1";
    EXPECT_TRUE(contains(run.out, moves));
    EXPECT_TRUE(contains(TempFolder::read(folder.file("games.pgn")), moves));
    // The ring says where the game went; saves close together may share a slot.
    EXPECT_TRUE(
        contains(TempFolder::read(folder.file("settings.reg")), "\"CurrentAutosaveGame\"=dword:"));

    CliResult restored = playOk(folder, "back\n", "--restore --white human --black human");
    EXPECT_EQ(events(restored.out),
        (std::vector<std::string> {
            "fen rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
            "fen rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2" }));
    EXPECT_TRUE(contains(restored.out, moves));
}

TEST(PlayCommand, NeitherPonderingNorALongSearchNorAMissingMoveKeepsTheSessionWaiting)
{
    // Lines that name the expected reply make the engine ponder on it when it may.
    const std::string pondering = "line 0 f2f3 e7e5;---;line 0 e7e5 g2g4;---;line 0 g2g4 d8h4;"
                                  "---;line 0 d8h4";
    const struct {
        const char* name;
        const char* input;
        std::string options;
        std::string script;
        std::string last;
    } rows[] = {
        { "two engine sides with pondering on", "", "--white engine --black engine", pondering,
            "move Qh4#" },
        { "quit during an unlimited search", "e4\nquit\nmovenow\n", "--level infinite",
            "nodes 1;sleep 20000;stopcheck;line 0 e7e5", "fen " + std::string(kAfterE4) },
        { "quit during a tournament search", "e4\nquit\n", "--level tournament:40/120",
            "nodes 1;sleep 20000;stopcheck;line 0 e7e5", "fen " + std::string(kAfterE4) },
        // The line names a move of the wrong side: nothing can be played.
        { "an engine that gives no move", "", "--white engine --black engine", "line 0 e7e5",
            "message Velmorak: the engine gave no move in this position" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        for (const char* setting : { "IDC_CBPONDERING 1", "IDC_CBGUIBOOK 0" })
            ASSERT_EQ(runCli("settings set " + std::string(setting) + " --file '" +
                          folder.file("settings.reg") + "'")
                          .exitCode,
                0);
        auto started = std::chrono::steady_clock::now();
        // A session that waits for ever is ended, and fails, instead of hanging the suite.
        CliResult run = playOk(folder, row.input, row.options, row.script, "timeout 30");
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        std::vector<std::string> got = events(run.out);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back() == "message Velmorak: Checkmate" ? got[got.size() - 3] : got.back(),
            row.last)
            << run.out;
    }
}

TEST(PlayCommand, TerminationRunsTheExitSequence)
{
    // SIGHUP: the terminal was closed.
    for (int signal : { SIGTERM, SIGHUP }) {
        SCOPED_TRACE(signal);
        TempFolder folder;
        const std::string fifo = folder.file("fifo"), autosave = folder.file("vmautosave.pgn");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const std::string settings = folder.file("settings.reg");
        // Standard input stays open (the FIFO read and written); the signal comes once the
        // move is autosaved, after the user changed an option with a second program.
        CliResult run = runCli("play --black human --settings '" + settings + "' <> '" + fifo +
                "' & pid=$!; echo e4 > '" + fifo + "'; i=0; until grep -qs e4 '" + autosave +
                "' || [ $i -ge 100 ]; do sleep 0.1; i=$((i+1)); done; " VELMORAK_BIN_DIR
                "/velmorak-cli settings set IDC_CBCOACH 1 --file '" +
                settings + "'; kill -" + std::to_string(signal) + " $pid; wait $pid",
            "VELMORAK_DOCUMENTS='" + folder.path() + "'");
        EXPECT_EQ(run.exitCode, 128 + signal) << run.err;
        EXPECT_TRUE(contains(run.out, "\n1. e4 *"));
        const std::string text = TempFolder::read(settings);
        EXPECT_TRUE(contains(text, "LEVEL_MODE")) << "the exit writes the level";
        EXPECT_TRUE(contains(text, "\"IDC_CBCOACH\"=dword:00000001"))
            << "an option this run did not change is left as the other program stored it";
    }
}

TEST(PlayCommand, AClosedInputOrAVanishedReaderStillEndsThroughTheExitSequence)
{
    TempFolder folder;
    const std::string settings = folder.file("settings.reg");
    const std::string environment = "VELMORAK_DOCUMENTS='" + folder.path() + "' timeout 20";
    // A closed standard input reads as an empty one: the game ends at once.
    CliResult closed = runCli("play --black human --settings '" + settings + "' <&-", environment);
    EXPECT_EQ(closed.exitCode, 0) << closed.err;

    // The reader of the output goes after one line, long before the last board is printed.
    std::string boards;
    for (int i = 0; i < 3000; ++i)
        boards += "board\n";
    TempFolder::write(folder.file("input"), boards);
    std::filesystem::remove(settings);
    runCli("play --black human --settings '" + settings + "' < '" + folder.file("input") +
            "' | head -1 >/dev/null",
        environment);
    EXPECT_TRUE(contains(TempFolder::read(settings), "LEVEL_MODE"))
        << "the exit sequence wrote the level";
}

TEST(PlayCommand, AnAutosaveThatCannotBeWrittenIsSaidAndFailsTheRun)
{
    TempFolder folder;
    // The ring's name taken by a folder: no save can work.
    ASSERT_EQ(::mkdir(folder.file("vmautosave.pgn").c_str(), 0700), 0);
    CliResult run = play(folder, "e4\ne5\nNf3\n", "--black human");
    EXPECT_EQ(run.exitCode, 1);
    // Said once however many moves fail to save: the controller's tests count that.
    EXPECT_TRUE(contains(run.out, "\nmessage Velmorak: Games are not being saved: "));
    EXPECT_TRUE(contains(run.err, "velmorak-cli play: the game was not saved: "));
}

TEST(PlayCommand, BadOptionsExitWithTwoAndSayWhy)
{
    TempFolder folder;
    const std::string empty = folder.file("empty.pgn");
    TempFolder::write(empty, "");
    const std::string kingless = folder.file("kingless.pgn"), check = folder.file("check.pgn");
    TempFolder::write(kingless, "[SetUp \"1\"][FEN \"3k4/8/8/8/8/8/8/8 w - - 0 1\"]\n*\n");
    TempFolder::write(check, "[SetUp \"1\"][FEN \"3k4/8/8/8/8/8/8/3RK3 w - - 0 1\"]\n*\n");
    struct Row {
        const char* name;
        std::string options;
        const char* says;
    } rows[] = {
        { "unknown side", "--white robot", "--white must be 'human' or 'engine'" },
        { "bad level", "--level blitz:x", "--level: bad level" },
        { "not a FEN", "--fen 'hello world'", "not a FEN" },
        { "position without kings", "--fen '8/8/8/8/8/8/8/8 w - - 0 1'", "cannot start a game" },
        { "two starts", "--restore --pgn x.pgn", "only one of --fen, --pgn and --restore" },
        { "missing PGN", "--pgn /nonexistent/x.pgn", "cannot open /nonexistent/x.pgn" },
        { "no game in the PGN", "--pgn '" + empty + "'", "no game could be read" },
        { "a set-up game without a white king", "--pgn '" + kingless + "'",
            "cannot start a game: each side needs exactly one king" },
        { "a set-up game with the side not to move in check", "--pgn '" + check + "'",
            "cannot start a game: the side not to move is in check" },
        { "unknown engine", "--engine Nobody", "no engine plug-in named 'Nobody'" },
        { "stray argument", "e4", "moves are typed on standard input" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CliResult run = play(folder, "quit\n", row.options);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(contains(run.err, row.says));
    }
}

} // namespace
