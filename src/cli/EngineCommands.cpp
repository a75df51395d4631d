// Subcommands for engine plug-ins: engine list, engine analyse, engine play.
#include <chrono>
#include <ctime>
#include <memory>
#include <ostream>
#include <thread>

#include "CliArguments.h"
#include "CliCommand.h"
#include "CliFen.h"
#include "app/EngineDriver.h"
#include "base/Clock.h"
#include "engine/EngineOutput.h"
#include "engine/EnginePluginHost.h"
#include "record/CGameNode.h"
#include "record/CPgnGame.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/SanNotation.h"

namespace velmorak::cli {

namespace {

constexpr int kHashSizeKb = 16 * 1024;
constexpr int kMaxDepth = 98;
constexpr long long kMaxMoveTimeMs = 3600 * 1000;
constexpr int kDefaultMoveTimeMs = 1000;
// Games are ended by the rules (mate, stalemate, repetition, fifty moves, material); this
// only guards against an engine that shuffles forever.
constexpr int kMaxGamePlies = 1000;
// Beyond its depth or move time a search gets this long before it counts as hung.
constexpr auto kSearchSafety = std::chrono::seconds(120);

// How long each search may run: a depth, or a time after which the search is stopped.
struct SearchLimit {
    int depth = 0;
    long long moveTimeMs = kDefaultMoveTimeMs;
};

std::optional<SearchLimit> readLimit(CliArguments& parsed, std::ostream& err)
{
    SearchLimit limit;
    bool hasDepth = parsed.value("depth").has_value();
    bool hasTime = parsed.value("movetime").has_value();
    if (hasDepth && hasTime) {
        usage(err, "engine", "give either --depth or --movetime");
        return std::nullopt;
    }
    if (hasDepth) {
        auto depth = parsed.integer("depth", 1, kMaxDepth);
        if (!depth) {
            usage(err, "engine", parsed.error());
            return std::nullopt;
        }
        limit.depth = int(*depth);
    } else if (hasTime) {
        auto ms = parsed.integer("movetime", 1, kMaxMoveTimeMs);
        if (!ms) {
            usage(err, "engine", parsed.error());
            return std::nullopt;
        }
        limit.moveTimeMs = *ms;
    }
    return limit;
}

// Loads the plug-in; load failures are printed as the program would show them.
bool loadPlugin(EnginePluginHost& host, const std::string& name, std::ostream& err)
{
    if (!host.load(name)) {
        err << "velmorak-cli engine: no engine plug-in loaded from " << host.folder() << '\n';
        return false;
    }
    // An unknown name falls back to the default plug-in, as in the program; say so here.
    if (!name.empty() && host.engineName() != name)
        err << "velmorak-cli engine: no plug-in named '" << name << "'; using " << host.engineName()
            << '\n';
    return true;
}

// Why a search gave no move: the plug-in's own account when it has one.
std::string failureReason(const EnginePluginHost& host, Board& board)
{
    if (std::string reason = host.engineError(); !reason.empty())
        return reason;
    if (board.gameEnd() != GameEndCode::None)
        return std::string("no move to search: ") + gameEndName(board.gameEnd());
    return "the engine gave no move and no reason";
}

// The level of a search: a fixed depth, or analysis stopped after the move time (the
// plug-in contract counts whole seconds, the command line milliseconds).
void sendLevel(const EnginePluginFunctions& f, const SearchLimit& limit)
{
    if (limit.depth > 0)
        f.setLevel(1, 999999, 0, limit.depth);
    else
        f.setLevel(1, 999999, 0, 99);
}

// Runs one search and waits for it; the move time is kept by stopping the search. The
// result is read from the engine output afterwards, so the driver's ended record is not
// needed.
bool runSearch(EngineDriver& driver, const SearchLimit& limit)
{
    driver.start(SearchCommand {});
    if (limit.depth == 0) {
        // A search not yet begun is kept with the stop requested: it still ends with a move.
        if (!driver.waitUntilIdle(std::chrono::milliseconds(limit.moveTimeMs)))
            return driver.stop(false, kSearchSafety);
        return true;
    }
    if (driver.waitUntilIdle(kSearchSafety))
        return true;
    driver.stop(true, kSearchSafety);
    return false;
}

// Starts the engine thread; a thread the system refuses is reported, not thrown.
bool startThread(EngineDriver& driver, EnginePluginHost& host, const EngineCallbacks* callbacks,
    std::ostream& err)
{
    if (Status started =
            driver.startThread(host.functions(), callbacks, host.output(), kHashSizeKb);
        !started) {
        err << "velmorak-cli engine: " << started.error().message << '\n';
        return false;
    }
    return true;
}

// --- Printing reports as they arrive ------------------------------------------------------

std::ostream* g_reportStream = nullptr;
EngineOutput* g_reportOutput = nullptr;

void printNodes(std::uint32_t low, std::uint32_t high)
{
    EngineOutput::reportTable()->reportNodes(low, high);
    if (g_reportStream && g_reportOutput)
        *g_reportStream << "nodes " << g_reportOutput->snapshot().nodes << " ("
                        << g_reportOutput->nodesPerSecond() / 1000 << "kNps)\n";
}

void printDepth(int depth, int secondDepth)
{
    EngineOutput::reportTable()->reportDepth(depth, secondDepth);
    if (g_reportStream)
        *g_reportStream << "depth " << depth << '/' << secondDepth << '\n';
}

void printCurrentMove(const char* move, int number, int count)
{
    EngineOutput::reportTable()->reportCurrentMove(move, number, count);
    if (g_reportStream && g_reportOutput) {
        SearchInfo info = g_reportOutput->snapshot();
        *g_reportStream << "current " << info.displayedMoveNumber() << '/' << info.moveCount << ' '
                        << info.sanCurrentMove << '\n';
    }
}

void printLine(const char* line, int score)
{
    EngineOutput::reportTable()->reportLine(line, score);
    if (g_reportStream && g_reportOutput) {
        SearchInfo info = g_reportOutput->snapshot();
        *g_reportStream << "line " << scoreText(info.score, info.scoreSide, false) << " d"
                        << info.lineDepth << ": " << info.sanLine << "  [" << info.rawLine << "]\n";
    }
}

void ignoreValue(int) { }

const EngineCallbacks kPrintingTable { 0, &printNodes, &printDepth, &printCurrentMove, &printLine,
    &ignoreValue };

// --- engine list ----------------------------------------------------------------------------

int runList(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (!args.empty())
        return usage(err, "engine", "engine list takes no arguments");
    EnginePluginHost host(
        systemClock(), {}, [&err](const std::string& message) { err << message << '\n'; });
    for (const std::string& name : host.listPlugins())
        out << name << '\n';
    return kExitOk;
}

// --- engine analyse -------------------------------------------------------------------------

int runAnalyse(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "depth movetime engine", "");
    if (!parsed.error().empty())
        return usage(err, "engine", parsed.error());
    if (parsed.positional().size() != 1)
        return usage(err, "engine", "expected one FEN");
    const std::string& fen = parsed.positional()[0];
    if (!looksLikeFen(fen))
        return usage(err, "engine", notAFenMessage(fen));
    std::optional<SearchLimit> limit = readLimit(parsed, err);
    if (!limit)
        return kExitUsage;

    EnginePluginHost host(
        systemClock(), {}, [&err](const std::string& message) { err << message << '\n'; });
    if (!loadPlugin(host, parsed.value("engine").value_or(""), err))
        return kExitFailure;
    out << "engine " << host.engineName() << '\n';
    EngineOutput& output = host.output();
    g_reportStream = &out;
    g_reportOutput = &output;
    int status = kExitOk;
    {
        EngineDriver driver(systemClock(), [](SearchEnded) {});
        if (!startThread(driver, host, &kPrintingTable, err)) {
            g_reportStream = nullptr;
            g_reportOutput = nullptr;
            return kExitFailure;
        }
        const EnginePluginFunctions& f = host.functions();
        output.clear();
        output.setShadowPosition(fen);
        f.setPosition(fen.c_str());
        f.setBook("", 0);
        sendLevel(f, *limit);
        if (!runSearch(driver, *limit)) {
            err << "velmorak-cli engine: the search did not end in time\n";
            status = kExitFailure;
        }
    }
    g_reportStream = nullptr;
    g_reportOutput = nullptr;

    SearchInfo info = output.snapshot();
    Board board(fen);
    std::size_t cursor = 0;
    Move best = readCoordinateToken(board, info.rawLine, cursor);
    if (best == NoMove) {
        out << "bestmove (none)\n";
        err << "velmorak-cli engine: " << failureReason(host, board) << '\n';
        return status == kExitOk ? kExitFailure : status;
    }
    out << "bestmove " << writeCoordinates(best) << " (" << writeSan(board, best, true) << ")\n";
    return status;
}

// --- engine play ----------------------------------------------------------------------------

std::string today()
{
    std::time_t now = std::time(nullptr);
    std::tm parts {};
    localtime_r(&now, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%Y.%m.%d", &parts);
    return text;
}

const char* resultOf(GameEndCode code, const Board& board)
{
    if (code == GameEndCode::Checkmate)
        return board.sideToMove() == kWhiteSide ? "0-1" : "1-0";
    return code == GameEndCode::None ? "*" : "1/2-1/2";
}

const char* terminationOf(GameEndCode code)
{
    return code == GameEndCode::None ? "unterminated" : gameEndName(code);
}

int runPlay(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "games depth movetime engine", "");
    if (!parsed.error().empty())
        return usage(err, "engine", parsed.error());
    if (!parsed.positional().empty())
        return usage(err, "engine", "engine play takes options only");
    long long games = 1;
    if (parsed.value("games")) {
        auto count = parsed.integer("games", 1, 10000);
        if (!count)
            return usage(err, "engine", parsed.error());
        games = *count;
    }
    std::optional<SearchLimit> limit = readLimit(parsed, err);
    if (!limit)
        return kExitUsage;

    EnginePluginHost host(
        systemClock(), {}, [&err](const std::string& message) { err << message << '\n'; });
    if (!loadPlugin(host, parsed.value("engine").value_or(""), err))
        return kExitFailure;
    EngineOutput& output = host.output();
    const EnginePluginFunctions& f = host.functions();
    EngineDriver driver(systemClock(), [](SearchEnded) {});
    if (!startThread(driver, host, host.callbacks(), err))
        return kExitFailure;
    const std::string startFen(kStartFen);
    int status = kExitOk;

    for (long long round = 1; round <= games; ++round) {
        CPgnGame game;
        game.setRoot(std::make_unique<CGameNode>(NoMove, "root", -1));
        game.setFormat(kFilePgnFormat);
        game.setEvent("velmorak-cli engine play");
        game.setSite("?");
        game.setDate(today());
        game.setRound(std::to_string(round));
        game.setWhite(host.engineName());
        game.setBlack(host.engineName());
        f.clearHashtables();

        Board board;
        std::vector<std::string> moves;
        CGameNode* node = game.root();
        GameEndCode end = GameEndCode::None;
        std::string termination;
        for (int ply = 0; ply < kMaxGamePlies; ++ply) {
            output.clear();
            output.setShadowPosition(startFen);
            f.setPosition(startFen.c_str());
            for (const std::string& move : moves) {
                output.enterShadowMove(move);
                f.enterMove(move.c_str());
            }
            f.setBook("", 0);
            sendLevel(f, *limit);
            if (!runSearch(driver, *limit)) {
                termination = "engine hung";
                break;
            }
            SearchInfo info = output.snapshot();
            std::size_t cursor = 0;
            Move move = readCoordinateToken(board, info.rawLine, cursor);
            if (move == NoMove) {
                termination = "engine gave no legal move";
                err << "velmorak-cli engine: " << failureReason(host, board) << '\n';
                break;
            }
            auto child = std::make_unique<CGameNode>(move, writeSan(board, move, true), ply);
            node = node->addChild(std::move(child));
            moves.push_back(writeCoordinates(move));
            board.makeMove(move);
            end = board.gameEnd();
            if (end != GameEndCode::None)
                break;
        }
        if (termination.empty())
            termination = terminationOf(end);
        game.setResult(resultOf(end, board));
        game.setTag("Termination", termination);
        game.setTag("PlyCount", std::to_string(moves.size()));
        out << game.toString();
        out.flush();
        if (end == GameEndCode::None) {
            err << "velmorak-cli engine: game " << round << " ended early: " << termination << '\n';
            status = kExitFailure;
        }
    }
    return status;
}

int runEngine(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "engine", "expected list, analyse or play");
    CliArgs rest(args.begin() + 1, args.end());
    if (args[0] == "list")
        return runList(rest, out, err);
    if (args[0] == "analyse" || args[0] == "analyze")
        return runAnalyse(rest, out, err);
    if (args[0] == "play")
        return runPlay(rest, out, err);
    return usage(err, "engine", "unknown subcommand '" + args[0] + "'");
}

const CliRegistration kReg({ "engine",
    "velmorak-cli engine list\n"
    "    The names of the engine plug-ins (*.vme) in the program's plug-in folder.\n"
    "velmorak-cli engine analyse FEN [--depth N | --movetime MS] [--engine NAME]\n"
    "    Analyses a position through the plug-in (default VelmoEngine.vme), printing every\n"
    "    report as it arrives, then the best move. Default: --movetime 1000.\n"
    "velmorak-cli engine play [--games N] [--depth N | --movetime MS] [--engine NAME]\n"
    "    The engine plays itself from the start position until the rules end each game;\n"
    "    the games are written to standard output as PGN.",
    &runEngine });

} // namespace

} // namespace velmorak::cli
