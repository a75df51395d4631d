// Subcommands for PGN databases: index, search, sort, show, append, replace, delete.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "CliArguments.h"
#include "CliCommand.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "record/DatabaseList.h"

namespace velmorak::cli {

namespace {

int usage(std::ostream& err, const std::string& message)
{
    err << "velmorak-cli db: " << message << "\n(velmorak-cli help db shows the usage)\n";
    return kExitUsage;
}

int failure(std::ostream& err, const CDatabase& db)
{
    int code = 0;
    std::string message;
    db.getError(code, message);
    err << "velmorak-cli db: " << (message.empty() ? "failed" : message) << '\n';
    return kExitFailure;
}

bool openDatabase(CDatabase& db, const std::string& path, std::ostream& err)
{
    if (db.open(path))
        return true;
    int code = 0;
    std::string message;
    db.getError(code, message);
    err << "velmorak-cli db: " << message << '\n';
    return false;
}

void printEntry(std::ostream& out, const CDatabaseEntry& e)
{
    out << e.number << '\t' << e.white() << '\t' << e.black() << '\t' << e.date() << '\t'
        << e.event() << '\t' << e.eco() << '\t' << e.site() << '\t' << e.result() << '\t' << e.start
        << '\t' << e.end << '\n';
}

// Every game of a file, read completely; false with a message when one is refused.
bool readGames(
    const std::string& path, std::vector<std::unique_ptr<CPgnGame>>& games, std::ostream& err)
{
    PgnInput input;
    if (!input.openFile(path)) {
        err << "velmorak-cli db: cannot open " << path << '\n';
        return false;
    }
    CPgnParser parser;
    IndexTags tags;
    std::int64_t start = 0;
    for (int number = 0;; ++number) {
        std::int64_t end = 0;
        if (!parser.scanIndexTags(input, start, end, tags) || end <= start)
            break;
        std::unique_ptr<CPgnGame> game;
        std::int64_t readEnd = 0;
        if (!parser.readGame(input, start, readEnd, game)) {
            const PgnReadError& error = parser.lastError();
            err << "velmorak-cli db: " << path << ": game " << number << " at offset "
                << error.offset << ": " << error.reason << " '" << error.text << "'\n";
            return false;
        }
        game->setFormat(kFilePgnFormat);
        games.push_back(std::move(game));
        start = end;
    }
    if (games.empty()) {
        err << "velmorak-cli db: no game in " << path << '\n';
        return false;
    }
    return true;
}

std::optional<int> gameNumber(const std::string& text, const CDatabase& db, std::ostream& err)
{
    const long long last = static_cast<long long>(db.getEntries().size()) - 1;
    std::optional<long long> number = parseInteger(text, 0, last < 0 ? 0 : last);
    if (!number || last < 0) {
        err << "velmorak-cli db: no game " << text << " (the games are numbered 0 to " << last
            << ")\n";
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

int runIndex(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, "expected FILE");
    CPgnParser parser;
    CDatabase db(parser);
    if (!openDatabase(db, args[0], err))
        return kExitUsage;
    for (const CDatabaseEntry& entry : db.getEntries())
        printEntry(out, entry);
    return kExitOk;
}

int runSearch(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "white black event year-from year-to eco result", "any-color");
    if (!parsed.error().empty())
        return usage(err, parsed.error());
    if (parsed.positional().size() != 1)
        return usage(err, "expected FILE");
    CDatabaseFilter filter;
    filter.white = parsed.value("white").value_or("");
    filter.black = parsed.value("black").value_or("");
    filter.ignoreColor = parsed.flag("any-color");
    filter.event = parsed.value("event").value_or("");
    filter.yearFrom = parsed.value("year-from").value_or("");
    filter.yearTo = parsed.value("year-to").value_or("");
    filter.eco = parsed.value("eco").value_or("");
    if (auto results = parsed.value("result")) {
        std::string list = *results + ",";
        for (std::size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos;
             at = comma + 1) {
            std::string item = list.substr(at, comma - at);
            if (item == "1-0")
                filter.win = true;
            else if (item == "1/2" || item == "1/2-1/2")
                filter.draw = true;
            else if (item == "0-1")
                filter.loss = true;
            else if (item == "*")
                filter.line = true;
            else
                return usage(err, "--result takes 1-0, 1/2, 0-1 and * separated by commas");
        }
    }
    CPgnParser parser;
    CDatabase db(parser);
    if (!openDatabase(db, parsed.positional()[0], err))
        return kExitUsage;
    std::vector<CDatabaseEntry> result;
    db.search(filter, result);
    for (const CDatabaseEntry& entry : result)
        printEntry(out, entry);
    return kExitOk;
}

int runSort(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "by", "desc");
    if (!parsed.error().empty())
        return usage(err, parsed.error());
    if (parsed.positional().size() != 1)
        return usage(err, "expected FILE");
    const std::string by = parsed.value("by").value_or("no");
    const char* const keys[] = { "no", "white", "black", "event", "result" };
    int mode = 0;
    for (int i = 0; i < 5; ++i)
        if (by == keys[i])
            mode = i + 1;
    if (mode == 0)
        return usage(err, "--by takes no, white, black, event or result");
    CPgnParser parser;
    CDatabase db(parser);
    if (!openDatabase(db, parsed.positional()[0], err))
        return kExitUsage;
    DatabaseList list(db, nullptr);
    list.setSortMode(parsed.flag("desc") ? -mode : mode);
    list.resetList();
    for (int number : list.fullOrder())
        printEntry(out, db.getEntries()[std::size_t(number)]);
    return kExitOk;
}

int runShow(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2)
        return usage(err, "expected FILE N");
    CPgnParser parser;
    CDatabase db(parser);
    if (!openDatabase(db, args[0], err))
        return kExitUsage;
    std::optional<int> number = gameNumber(args[1], db, err);
    if (!number)
        return kExitUsage;
    std::unique_ptr<CPgnGame> game = db.gotoGame(*number);
    if (!game) {
        const PgnReadError& error = parser.lastError();
        err << "velmorak-cli db: Could not parse game! (offset " << error.offset << ": "
            << error.reason << " '" << error.text << "')\n";
        return kExitFailure;
    }
    game->setFormat(kFilePgnFormat);
    out << game->toString();
    return kExitOk;
}

int runAppend(const CliArgs& args, std::ostream&, std::ostream& err)
{
    if (args.size() != 2)
        return usage(err, "expected FILE GAMEFILE");
    std::vector<std::unique_ptr<CPgnGame>> games;
    if (!readGames(args[1], games, err))
        return kExitUsage;
    CPgnParser parser;
    CDatabase db(parser);
    for (std::size_t i = 0; i < games.size(); ++i) {
        if (!db.append(args[0], *games[i])) {
            failure(err, db);
            err << "velmorak-cli db: " << i << " of " << games.size() << " games appended\n";
            return kExitFailure;
        }
    }
    return kExitOk;
}

int runReplace(const CliArgs& args, std::ostream&, std::ostream& err)
{
    if (args.size() != 3)
        return usage(err, "expected FILE N GAMEFILE");
    std::vector<std::unique_ptr<CPgnGame>> games;
    if (!readGames(args[2], games, err))
        return kExitUsage;
    if (games.size() != 1) {
        err << "velmorak-cli db: " << args[2] << " holds " << games.size()
            << " games; replace takes one\n";
        return kExitUsage;
    }
    CPgnParser parser;
    CDatabase db(parser);
    if (!openDatabase(db, args[0], err))
        return kExitUsage;
    std::optional<int> number = gameNumber(args[1], db, err);
    if (!number)
        return kExitUsage;
    return db.replaceGame(*number, *games.front()) ? kExitOk : failure(err, db);
}

int runDelete(const CliArgs& args, std::ostream&, std::ostream& err)
{
    if (args.size() != 2)
        return usage(err, "expected FILE N");
    CPgnParser parser;
    CDatabase db(parser);
    if (!openDatabase(db, args[0], err))
        return kExitUsage;
    std::optional<int> number = gameNumber(args[1], db, err);
    if (!number)
        return kExitUsage;
    return db.deleteGame(*number) ? kExitOk : failure(err, db);
}

int runDb(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "expected index, search, sort, show, append, replace or delete");
    CliArgs rest(args.begin() + 1, args.end());
    const std::string& sub = args[0];
    if (sub == "index")
        return runIndex(rest, out, err);
    if (sub == "search")
        return runSearch(rest, out, err);
    if (sub == "sort")
        return runSort(rest, out, err);
    if (sub == "show")
        return runShow(rest, out, err);
    if (sub == "append")
        return runAppend(rest, out, err);
    if (sub == "replace")
        return runReplace(rest, out, err);
    if (sub == "delete")
        return runDelete(rest, out, err);
    return usage(err, "unknown subcommand '" + sub + "'");
}

const CliRegistration kReg({ "db",
    "velmorak-cli db index FILE\n"
    "    One line per game, tab-separated: number (from 0), White, Black, Date, Event,\n"
    "    ECO, Site, Result, start and end byte offsets.\n"
    "velmorak-cli db search FILE [--white X] [--black X] [--any-color] [--event X]\n"
    "                            [--year-from Y] [--year-to Y] [--eco X] [--result LIST]\n"
    "    The index lines of the games that match: texts anywhere in the tag, any case;\n"
    "    --any-color lets a player match either colour; LIST is 1-0,1/2,0-1,* (any of).\n"
    "velmorak-cli db sort FILE --by no|white|black|event|result [--desc]\n"
    "    The index lines in that order.\n"
    "velmorak-cli db show FILE N\n"
    "    Game N in this program's PGN layout.\n"
    "velmorak-cli db append FILE GAMEFILE\n"
    "    Appends every game of GAMEFILE (all must read) to FILE.\n"
    "velmorak-cli db replace FILE N GAMEFILE\n"
    "    Replaces game N by the one game of GAMEFILE; the other games stay byte for byte.\n"
    "velmorak-cli db delete FILE N\n"
    "    Deletes game N.",
    &runDb });

} // namespace

} // namespace velmorak::cli
