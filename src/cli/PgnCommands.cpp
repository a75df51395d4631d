// Subcommands for PGN files: check (read every game) and format (rewrite every game in the
// program's own layout).
#include <memory>
#include <ostream>
#include <string>

#include "CliArguments.h"
#include "CliCommand.h"
#include "record/CPgnParser.h"
#include "record/PgnInput.h"

namespace velmorak::cli {

namespace {

// Calls visit(number, start, end) for every game of the input, in file order, with the
// game boundaries the database index would use.
template <typename Visit> int forEachGame(PgnInput& input, Visit&& visit)
{
    CPgnParser scanner;
    IndexTags tags;
    std::int64_t start = 0;
    int number = 0;
    for (;;) {
        std::int64_t end = 0;
        if (!scanner.scanIndexTags(input, start, end, tags) || end <= start)
            break;
        visit(number++, start, end);
        start = end;
    }
    return number;
}

// Why a game cannot stand for its text in the file: refused, damaged, or followed by text
// the reader did not take (a game without tags, junk after the result). Empty when the game
// was read whole.
struct GameProblem {
    std::int64_t offset = 0;
    std::string text;
};

// Up to a short line of the input from offset on, to show the user where reading stopped.
std::string excerpt(PgnInput& input, std::int64_t offset)
{
    constexpr int kExcerptLength = 30;
    std::string text;
    input.seek(offset);
    for (int c;
         int(text.size()) < kExcerptLength && (c = input.get()) >= 0 && c != '\n' && c != '\r';)
        text += static_cast<char>(c);
    return text;
}

GameProblem problemOf(
    const CPgnParser& parser, bool read, std::int64_t readEnd, std::int64_t end, PgnInput& input)
{
    auto quoted = [](std::int64_t offset, const std::string& reason, const std::string& text) {
        return GameProblem { offset, reason + " '" + text + "'" };
    };
    if (!read)
        return quoted(
            parser.lastError().offset, parser.lastError().reason, parser.lastError().text);
    const PgnReadError& damage = parser.lastDamage();
    if (!damage.reason.empty())
        return quoted(damage.offset, "damaged, " + damage.reason, damage.text);
    if (readEnd < end)
        return quoted(readEnd, "text after the game not read", excerpt(input, readEnd));
    return {};
}

int runCheck(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "pgn", "expected FILE...");
    bool allRead = true;
    for (const std::string& path : args) {
        PgnInput input;
        if (!input.openFile(path)) {
            err << "velmorak-cli pgn check: cannot open " << path << '\n';
            return kExitUsage;
        }
        CPgnParser parser;
        int read = 0;
        int refused = 0;
        int notWhole = 0;
        int disagreeing = 0;
        int games = forEachGame(input, [&](int number, std::int64_t start, std::int64_t end) {
            std::unique_ptr<CPgnGame> game;
            std::int64_t readEnd = 0;
            const bool ok = parser.readGame(input, start, readEnd, game);
            const GameProblem problem = problemOf(parser, ok, readEnd, end, input);
            if (!problem.text.empty()) {
                ++(ok ? notWhole : refused);
                out << path << ": game " << number << " at offset " << problem.offset << ": "
                    << problem.text << '\n';
                return;
            }
            ++read;
            // The tag stands; the user should know that the movetext says otherwise.
            const std::string& tag = game->result();
            const std::string& movetext = parser.movetextResult();
            if (!tag.empty() && !movetext.empty() && tag != movetext) {
                ++disagreeing;
                out << path << ": game " << number << " at offset " << start << ": the Result tag '"
                    << tag << "' and the movetext's result '" << movetext << "' differ\n";
            }
        });
        if (input.hadReadError()) {
            err << "velmorak-cli pgn check: read error in " << path << '\n';
            return kExitUsage;
        }
        out << path << ": " << read << " of " << games << " games read";
        if (refused)
            out << ", " << refused << " refused";
        if (notWhole)
            out << ", " << notWhole << " not read whole";
        if (disagreeing)
            out << ", " << disagreeing << " with results that differ";
        out << '\n';
        allRead &= refused == 0 && notWhole == 0 && disagreeing == 0;
    }
    return allRead ? kExitOk : kExitFailure;
}

int runFormat(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, "pgn", "expected FILE");
    const std::string& path = args[0];
    PgnInput input;
    if (!input.openFile(path)) {
        err << "velmorak-cli pgn format: cannot open " << path << '\n';
        return kExitUsage;
    }
    CPgnParser parser;
    int failed = 0;
    forEachGame(input, [&](int number, std::int64_t start, std::int64_t end) {
        std::unique_ptr<CPgnGame> game;
        std::int64_t readEnd = 0;
        const bool ok = parser.readGame(input, start, readEnd, game);
        const GameProblem problem = problemOf(parser, ok, readEnd, end, input);
        if (problem.text.empty()) {
            game->setFormat(kFilePgnFormat);
            out << game->toString();
            return;
        }
        // Writing what was read would lose the rest: the game's text is passed on as it
        // stands, so nothing is lost.
        ++failed;
        err << path << ": game " << number << " at offset " << problem.offset
            << " copied as is: " << problem.text << '\n';
        std::string text;
        input.seek(start);
        for (std::int64_t at = start; at < end; ++at) {
            int c = input.get();
            if (c < 0)
                break;
            text += static_cast<char>(c);
        }
        out << text;
    });
    return failed ? kExitFailure : kExitOk;
}

int runPgn(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "pgn", "expected check or format");
    CliArgs rest(args.begin() + 1, args.end());
    if (args[0] == "check")
        return runCheck(rest, out, err);
    if (args[0] == "format")
        return runFormat(rest, out, err);
    return usage(err, "pgn", "unknown subcommand '" + args[0] + "'");
}

const CliRegistration kReg({ "pgn",
    "velmorak-cli pgn check FILE...\n"
    "    Reads every game; prints, per file, the games read and, for each game refused,\n"
    "    damaged (a string or comment left open) or followed by text not read, its number\n"
    "    (from 0), byte offset, the reason and the text; also each game whose Result tag\n"
    "    and movetext result differ. Exit 1 when any game was reported.\n"
    "velmorak-cli pgn format FILE\n"
    "    Writes every game to standard output in this program's layout (width 75, CR LF,\n"
    "    NAGs as $n); games it cannot read whole are copied unchanged and named on\n"
    "    stderr (exit 1).",
    &runPgn });

} // namespace

} // namespace velmorak::cli
