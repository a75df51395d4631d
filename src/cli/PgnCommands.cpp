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
        int failed = 0;
        int games = forEachGame(input, [&](int number, std::int64_t start, std::int64_t) {
            std::unique_ptr<CPgnGame> game;
            std::int64_t end = 0;
            if (parser.readGame(input, start, end, game)) {
                ++read;
                return;
            }
            ++failed;
            const PgnReadError& error = parser.lastError();
            out << path << ": game " << number << " at offset " << error.offset << ": "
                << error.reason << " '" << error.text << "'\n";
        });
        if (input.hadReadError()) {
            err << "velmorak-cli pgn check: read error in " << path << '\n';
            return kExitUsage;
        }
        out << path << ": " << read << " of " << games << " games read";
        if (failed)
            out << ", " << failed << " refused";
        out << '\n';
        allRead &= failed == 0;
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
        if (parser.readGame(input, start, readEnd, game)) {
            game->setFormat(kFilePgnFormat);
            out << game->toString();
            return;
        }
        // A game this program cannot read is passed on as it stands, so nothing is lost.
        ++failed;
        const PgnReadError& error = parser.lastError();
        err << path << ": game " << number << " at offset " << error.offset
            << " copied as is: " << error.reason << " '" << error.text << "'\n";
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
    "    its number (from 0), byte offset and the move text that failed. Exit 1 when a\n"
    "    game was refused.\n"
    "velmorak-cli pgn format FILE\n"
    "    Writes every game to standard output in this program's layout (width 75, CR LF,\n"
    "    NAGs as $n); games it cannot read are copied unchanged and named on stderr.",
    &runPgn });

} // namespace

} // namespace velmorak::cli
