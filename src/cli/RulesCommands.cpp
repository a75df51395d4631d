// Subcommands for the chess rules: perft, moves, san, fen, validate, status.
#include <cctype>
#include <ostream>

#include "CliArguments.h"
#include "CliCommand.h"
#include "CliFen.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/Perft.h"
#include "rules/PositionValidation.h"
#include "rules/SanNotation.h"

namespace velmorak::cli {

namespace {

constexpr int kMaxPerftDepth = 12;

bool readBoard(const std::string& fen, Board& board, std::ostream& err)
{
    if (!looksLikeFen(fen)) {
        err << "velmorak-cli: " << notAFenMessage(fen) << '\n';
        return false;
    }
    board.setFromFen(fen);
    return true;
}

int runPerft(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "", "divide");
    if (!parsed.error().empty())
        return usage(err, "perft", parsed.error());
    const CliArgs& pos = parsed.positional();
    if (pos.empty() || pos.size() > 2)
        return usage(err, "perft", "expected DEPTH [FEN]");
    auto depth = parseInteger(pos[0], 0, kMaxPerftDepth);
    if (!depth)
        return usage(err, "perft", "DEPTH must be a whole number from 0 to 12");
    Board board;
    if (pos.size() == 2 && !readBoard(pos[1], board, err))
        return kExitUsage;
    if (parsed.flag("divide") && *depth > 0) {
        std::uint64_t total = 0;
        for (const auto& [move, nodes] : perftDivide(board, static_cast<int>(*depth))) {
            out << writeCoordinates(move) << ' ' << nodes << '\n';
            total += nodes;
        }
        out << "\nNodes: " << total << '\n';
        return kExitOk;
    }
    out << perft(board, static_cast<int>(*depth)) << '\n';
    return kExitOk;
}

int runMoves(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, "moves", "expected one FEN");
    Board board;
    if (!readBoard(args[0], board, err))
        return kExitUsage;
    MoveList moves;
    board.allLegalMoves(moves);
    for (Move move : moves) {
        SanOptions options;
        options.move = move;
        options.withCheckMarks = true;
        options.candidates = moves.data();
        options.candidateCount = moves.size();
        out << writeCoordinates(move) << ' ' << writeSan(board, options) << '\n';
    }
    return kExitOk;
}

int runSan(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2)
        return usage(err, "san", "expected FEN and a move text");
    Board board;
    if (!readBoard(args[0], board, err))
        return kExitUsage;
    Move move = readSan(board, args[1]);
    out << (move == NoMove ? std::string("none") : writeCoordinates(move)) << '\n';
    return kExitOk;
}

int runFen(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, "fen", "expected one FEN");
    Board board;
    if (!readBoard(args[0], board, err))
        return kExitUsage;
    out << board.fen() << '\n';
    return kExitOk;
}

int runValidate(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, "validate", "expected one FEN");
    Board board;
    if (!readBoard(args[0], board, err))
        return kExitUsage;
    PositionFault fault = firstPositionFault(board);
    if (fault == PositionFault::None)
        out << "legal\n";
    else
        out << "illegal: " << positionFaultText(fault) << '\n';
    return kExitOk;
}

int runStatus(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "status", "expected FEN [MOVES...]");
    Board board;
    if (!readBoard(args[0], board, err))
        return kExitUsage;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::size_t cursor = 0;
        Move move = readCoordinateToken(board, args[i], cursor);
        // The reader takes any fifth character as a (possibly empty) promotion, so that
        // e2e4x would play e2e4: insist that the text is exactly the move's own.
        std::string text = args[i];
        if (text.size() == 5)
            text[4] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[4])));
        if (move == NoMove || writeCoordinates(move) != text) {
            err << "velmorak-cli status: move " << i << " '" << args[i]
                << "' is not a legal move in coordinates in " << board.fen() << '\n';
            return kExitUsage;
        }
        board.makeMove(move);
    }
    GameEndCode code = board.gameEnd();
    out << static_cast<int>(code) << ' ' << gameEndName(code) << '\n';
    return kExitOk;
}

const CliRegistration kPerft({ "perft",
    "velmorak-cli perft DEPTH [FEN] [--divide]\n"
    "    Count the leaf positions DEPTH plies deep (start position by default);\n"
    "    --divide prints each root move in coordinates with its count.",
    &runPerft });
const CliRegistration kMoves({ "moves",
    "velmorak-cli moves FEN\n"
    "    Print the legal moves in generation order: coordinates, a blank, SAN.",
    &runMoves });
const CliRegistration kSan({ "san",
    "velmorak-cli san FEN TEXT\n"
    "    Read TEXT as a move in SAN (tolerantly) and print it in coordinates, or \"none\".",
    &runSan });
const CliRegistration kFen({ "fen",
    "velmorak-cli fen FEN\n"
    "    Print the FEN as the board reads it and writes it back.",
    &runFen });
const CliRegistration kValidate({ "validate",
    "velmorak-cli validate FEN\n"
    "    Print \"legal\", or \"illegal\" with the first rule the position breaks.",
    &runValidate });
const CliRegistration kStatus({ "status",
    "velmorak-cli status FEN [MOVES...]\n"
    "    Play the coordinate moves and print the game-end code: 0 none, 1 checkmate,\n"
    "    2 stalemate, 3 threefold repetition, 4 fifty-move rule, 5 insufficient material.",
    &runStatus });

} // namespace

} // namespace velmorak::cli
