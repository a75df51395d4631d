// Subcommands for PGN databases: index, search, sort, show, append, replace, delete.
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "CliArguments.h"
#include "CliCommand.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "record/DatabaseList.h"

namespace velmorak::cli {

namespace {

// The state every subcommand starts from: its arguments understood, and the database
// opened unless the subcommand only appends to the file.
struct DbContext {
    CliArguments& parsed;
    const CliArgs& positional;
    CDatabase& db;
    CPgnParser& parser;
    std::ostream& out;
    std::ostream& err;

    int failure() const
    {
        int code = 0;
        std::string message;
        db.getError(code, message);
        err << "velmorak-cli db: " << (message.empty() ? "failed" : message) << '\n';
        return kExitFailure;
    }
};

// Tag values go out with backslashes and control characters escaped, so that a value with
// a tab or line break cannot split a game's line or shift its columns.
void printField(std::ostream& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            out << "\\\\";
        else if (c == '\t')
            out << "\\t";
        else if (c == '\n')
            out << "\\n";
        else if (c == '\r')
            out << "\\r";
        else if (byte < 0x20 || byte == 0x7F)
            out << "\\x" << kHex[byte >> 4] << kHex[byte & 15];
        else
            out << c;
    }
}

void printEntry(std::ostream& out, const CDatabaseEntry& e)
{
    out << e.number;
    for (std::string_view field :
        { e.white(), e.black(), e.date(), e.event(), e.eco(), e.site(), e.result() }) {
        out << '\t';
        printField(out, field);
    }
    out << '\t' << e.start << '\t' << e.end << '\n';
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

std::optional<int> gameNumber(const DbContext& c, const std::string& text)
{
    const auto count = static_cast<long long>(c.db.getEntries().size());
    if (count == 0) {
        c.err << "velmorak-cli db: no game " << text << ": " << c.positional[0]
              << " holds no games\n";
        return std::nullopt;
    }
    std::optional<long long> number = parseInteger(text, 0, count - 1);
    if (!number) {
        c.err << "velmorak-cli db: no game " << text << " (the games are numbered 0 to "
              << count - 1 << ")\n";
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

int runIndex(DbContext& c)
{
    for (const CDatabaseEntry& entry : c.db.getEntries())
        printEntry(c.out, entry);
    return kExitOk;
}

int runSearch(DbContext& c)
{
    CDatabaseFilter filter;
    filter.white = c.parsed.value("white").value_or("");
    filter.black = c.parsed.value("black").value_or("");
    filter.ignoreColor = c.parsed.flag("any-color");
    filter.event = c.parsed.value("event").value_or("");
    filter.yearFrom = c.parsed.value("year-from").value_or("");
    filter.yearTo = c.parsed.value("year-to").value_or("");
    filter.eco = c.parsed.value("eco").value_or("");
    if (auto results = c.parsed.value("result")) {
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
                return usage(c.err, "db", "--result takes 1-0, 1/2, 0-1 and * separated by commas");
        }
    }
    std::vector<CDatabaseEntry> result;
    c.db.search(filter, result);
    for (const CDatabaseEntry& entry : result)
        printEntry(c.out, entry);
    return kExitOk;
}

int runSort(DbContext& c)
{
    const std::string by = c.parsed.value("by").value_or("no");
    const char* const keys[] = { "no", "white", "black", "event", "result" };
    int mode = 0;
    for (int i = 0; i < 5; ++i)
        if (by == keys[i])
            mode = i + 1;
    if (mode == 0)
        return usage(c.err, "db", "--by takes no, white, black, event or result");
    DatabaseList list(c.db, nullptr);
    list.setSortMode(c.parsed.flag("desc") ? -mode : mode);
    list.resetList();
    for (int number : list.fullOrder())
        printEntry(c.out, c.db.getEntries()[std::size_t(number)]);
    return kExitOk;
}

int runShow(DbContext& c)
{
    std::optional<int> number = gameNumber(c, c.positional[1]);
    if (!number)
        return kExitUsage;
    std::unique_ptr<CPgnGame> game = c.db.gotoGame(*number);
    if (!game) {
        const PgnReadError& error = c.parser.lastError();
        c.err << "velmorak-cli db: Could not parse game! (offset " << error.offset << ": "
              << error.reason << " '" << error.text << "')\n";
        return kExitFailure;
    }
    game->setFormat(kFilePgnFormat);
    c.out << game->toString();
    return kExitOk;
}

int runAppend(DbContext& c)
{
    std::vector<std::unique_ptr<CPgnGame>> games;
    if (!readGames(c.positional[1], games, c.err))
        return kExitUsage;
    for (std::size_t i = 0; i < games.size(); ++i) {
        if (!c.db.append(c.positional[0], *games[i])) {
            c.failure();
            c.err << "velmorak-cli db: " << i << " of " << games.size() << " games appended\n";
            return kExitFailure;
        }
    }
    return kExitOk;
}

int runReplace(DbContext& c)
{
    std::vector<std::unique_ptr<CPgnGame>> games;
    if (!readGames(c.positional[2], games, c.err))
        return kExitUsage;
    if (games.size() != 1) {
        c.err << "velmorak-cli db: " << c.positional[2] << " holds " << games.size()
              << " games; replace takes one\n";
        return kExitUsage;
    }
    std::optional<int> number = gameNumber(c, c.positional[1]);
    if (!number)
        return kExitUsage;
    return c.db.replaceGame(*number, *games.front()) ? kExitOk : c.failure();
}

int runDelete(DbContext& c)
{
    std::optional<int> number = gameNumber(c, c.positional[1]);
    if (!number)
        return kExitUsage;
    return c.db.deleteGame(*number) ? kExitOk : c.failure();
}

struct DbSubcommand {
    const char* name;
    const char* valueOptions;
    const char* flagOptions;
    // The positional arguments, as the usage message names them.
    const char* expected;
    std::size_t positionalCount;
    // Appending needs no index of the file, which may not exist yet.
    bool opensDatabase;
    int (*run)(DbContext&);
};

constexpr DbSubcommand kSubcommands[] = {
    { "index", "", "", "FILE", 1, true, &runIndex },
    { "search", "white black event year-from year-to eco result", "any-color", "FILE", 1, true,
        &runSearch },
    { "sort", "by", "desc", "FILE", 1, true, &runSort },
    { "show", "", "", "FILE N", 2, true, &runShow },
    { "append", "", "", "FILE GAMEFILE", 2, false, &runAppend },
    { "replace", "", "", "FILE N GAMEFILE", 3, true, &runReplace },
    { "delete", "", "", "FILE N", 2, true, &runDelete },
};

int runDb(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "db", "expected index, search, sort, show, append, replace or delete");
    const DbSubcommand* sub = nullptr;
    for (const DbSubcommand& candidate : kSubcommands)
        if (args[0] == candidate.name)
            sub = &candidate;
    if (!sub)
        return usage(err, "db", "unknown subcommand '" + args[0] + "'");

    CliArguments parsed(CliArgs(args.begin() + 1, args.end()), sub->valueOptions, sub->flagOptions);
    if (!parsed.error().empty())
        return usage(err, "db", parsed.error());
    if (parsed.positional().size() != sub->positionalCount)
        return usage(err, "db", std::string("expected ") + sub->expected);
    CPgnParser parser;
    CDatabase db(parser);
    DbContext context { parsed, parsed.positional(), db, parser, out, err };
    if (sub->opensDatabase && !db.open(parsed.positional()[0])) {
        context.failure();
        return kExitUsage;
    }
    return sub->run(context);
}

const CliRegistration kReg({ "db",
    "velmorak-cli db index FILE\n"
    "    One line per game, tab-separated: number (from 0), White, Black, Date, Event,\n"
    "    ECO, Site, Result, start and end byte offsets. In the tag values a backslash\n"
    "    is written \\\\, a tab \\t, a line break \\n or \\r, other control bytes \\xHH.\n"
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
