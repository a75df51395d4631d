// Subcommands for opening books: book build, book lookup.
#include <ostream>

#include <fcntl.h>
#include <unistd.h>

#include "CliArguments.h"
#include "CliCommand.h"
#include "CliFen.h"
#include "base/RegularFile.h"
#include "engine/OpeningBook.h"
#include "engine/OpeningBookBuilder.h"
#include "engine/PolyglotBook.h"
#include "record/CPgnParser.h"
#include "record/PgnInput.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/SanNotation.h"

namespace velmorak::cli {

namespace {

constexpr int kDefaultPlies = 24;
constexpr int kMaxPlies = 200;

OpeningBookBuilder::Result resultOf(const std::string& text)
{
    if (text == "1-0")
        return OpeningBookBuilder::Result::WhiteWins;
    if (text == "0-1")
        return OpeningBookBuilder::Result::BlackWins;
    if (text == "1/2-1/2")
        return OpeningBookBuilder::Result::Draw;
    return OpeningBookBuilder::Result::Unknown;
}

struct FileCounts {
    std::size_t read = 0;
    std::size_t refused = 0;
    std::size_t setUp = 0;
};

// Adds the main line of every game of a PGN file. Games that cannot be read are skipped
// (counted); games from a set-up position cannot enter a book that starts at the standard
// position.
bool addPgnFile(const std::string& path, OpeningBookBuilder& builder, FileCounts& counts)
{
    PgnInput input;
    if (!input.openFile(path))
        return false;
    CPgnParser parser;
    std::int64_t offset = 0;
    while (offset < input.size()) {
        std::int64_t end = offset;
        std::unique_ptr<CPgnGame> game;
        if (parser.readGame(input, offset, end, game) && game) {
            ++counts.read;
            if (game->hasTag("FEN") && !game->getTag("FEN").empty() &&
                Board(game->getTag("FEN")).fen() != Board().fen()) {
                ++counts.setUp;
            } else {
                std::vector<Move> moves;
                for (CGameNode* node = game->root(); node->childCount() > 0;) {
                    node = node->child(0);
                    moves.push_back(node->move());
                }
                builder.addGame(moves, resultOf(game->result()));
            }
        } else {
            ++counts.refused;
            // Skip the refused game: the tag scanner finds where the next one begins.
            if (!parser.scanGame(input, offset, end, game))
                break;
        }
        if (end <= offset)
            break;
        offset = end;
    }
    return !input.hadReadError();
}

int runBuild(const CliArgs& givenArgs, std::ostream& out, std::ostream& err)
{
    // "-o FILE" is the usual spelling for an output file; "--output FILE" works as well.
    CliArgs args = givenArgs;
    for (std::string& arg : args)
        if (arg == "-o")
            arg = "--output";
    CliArguments parsed(args, "output plies min-games", "");
    if (!parsed.error().empty())
        return usage(err, "book", parsed.error());
    if (parsed.positional().empty())
        return usage(err, "book", "expected one or more PGN files");
    std::optional<std::string> output = parsed.value("output");
    if (!output || output->empty())
        return usage(err, "book", "expected -o FILE.kbk");
    long long plies = kDefaultPlies;
    if (parsed.value("plies")) {
        auto value = parsed.integer("plies", 1, kMaxPlies);
        if (!value)
            return usage(err, "book", parsed.error());
        plies = *value;
    }
    long long minGames = 1;
    if (parsed.value("min-games")) {
        auto value = parsed.integer("min-games", 1, 1000000000);
        if (!value)
            return usage(err, "book", parsed.error());
        minGames = *value;
    }

    OpeningBookBuilder builder { static_cast<int>(plies) };
    FileCounts counts;
    for (const std::string& path : parsed.positional()) {
        if (!addPgnFile(path, builder, counts)) {
            err << "velmorak-cli book: cannot read " << path << '\n';
            return kExitUsage;
        }
    }
    if (Status written = builder.write(*output, int(minGames)); !written) {
        err << "velmorak-cli book: " << written.error().message << '\n';
        return kExitFailure;
    }
    out << "games read " << counts.read << ", refused " << counts.refused
        << ", from set-up positions (left out) " << counts.setUp << "; book " << *output
        << " written\n";
    return kExitOk;
}

std::optional<BookMode> readMode(const std::string& text)
{
    if (text == "best")
        return BookMode::Best;
    if (text == "good")
        return BookMode::Good;
    if (text == "random")
        return BookMode::Random;
    if (text == "off")
        return BookMode::Off;
    return std::nullopt;
}

int runLookup(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "mode", "");
    if (!parsed.error().empty())
        return usage(err, "book", parsed.error());
    if (parsed.positional().size() != 2)
        return usage(err, "book", "expected FILE FEN");
    const std::string& path = parsed.positional()[0];
    if (!looksLikeFen(parsed.positional()[1]))
        return usage(err, "book", notAFenMessage(parsed.positional()[1]));
    Board board(parsed.positional()[1]);
    BookMode mode = BookMode::Best;
    if (std::optional<std::string> text = parsed.value("mode")) {
        std::optional<BookMode> read = readMode(*text);
        if (!read)
            return usage(err, "book", "--mode must be best, good, random or off");
        mode = *read;
    }
    if (Result<int> fd = openRegularFile(path, O_RDONLY))
        ::close(*fd);
    else
        return usage(err, "book", fd.error().message);

    std::vector<BookEntry> entries;
    Move chosen = NoMove;
    if (isPolyglotBookPath(path)) {
        PolyglotBook book;
        entries = book.lookup(path, board);
        chosen = book.chooseMove(entries, mode);
    } else {
        OpeningBook book;
        entries = book.lookup(path, board);
        chosen = book.chooseMove(mode);
    }
    for (const BookEntry& entry : entries)
        out << writeCoordinates(entry.move) << ' ' << writeSan(board, entry.move, true) << ' '
            << entry.weight << '\n';
    if (chosen == NoMove)
        out << "chosen (none)\n";
    else
        out << "chosen " << writeCoordinates(chosen) << ' ' << writeSan(board, chosen, true)
            << '\n';
    return kExitOk;
}

int runBook(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "book", "expected build or lookup");
    CliArgs rest(args.begin() + 1, args.end());
    if (args[0] == "build")
        return runBuild(rest, out, err);
    if (args[0] == "lookup")
        return runLookup(rest, out, err);
    return usage(err, "book", "unknown subcommand '" + args[0] + "'");
}

const CliRegistration kReg({ "book",
    "velmorak-cli book build PGN... -o FILE.kbk [--plies N] [--min-games K]\n"
    "    Writes an opening book of the first N plies (default 24) of the games' main lines,\n"
    "    keeping moves played in at least K games; weights come from how often a move was\n"
    "    played and how it scored.\n"
    "velmorak-cli book lookup FILE FEN [--mode best|good|random|off]\n"
    "    The moves and weights a .kbk (or Polyglot .bin) book holds for the position, and\n"
    "    the move the mode chooses (default best).",
    &runBook });

} // namespace

} // namespace velmorak::cli
