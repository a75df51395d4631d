#include "PgnMoveResolver.h"

#include "rules/SanNotation.h"

namespace velmorak {

namespace {
bool isFileLetter(char c)
{
    return c >= 'a' && c <= 'h';
}
bool isRankDigit(char c)
{
    return c >= '1' && c <= '8';
}

int pieceKind(char letter)
{
    switch (letter) {
    case 'K':
        return kKing;
    case 'Q':
        return kQueen;
    case 'R':
        return kRook;
    case 'B':
        return kBishop;
    case 'N':
        return kKnight;
    default:
        return -1;
    }
}

// Collects the legal moves from `from` that end on `to` and satisfy `accept`; stops
// counting at two, since only a single match decides.
template <typename Accept>
void collect(Board& board, Square from, Square to, Accept&& accept, Move& found, int& count)
{
    SquareMoveList moves;
    board.legalMoves(from, moves);
    for (Move move : moves) {
        if (move.to == to && accept(move)) {
            found = move;
            ++count;
        }
    }
}

Move castling(Board& board, bool longSide)
{
    const std::uint8_t side = board.sideToMove();
    Square king = board.findKing(pieceOf(kKing, side));
    if (king == NoSquare)
        return NoMove;
    SquareMoveList moves;
    board.legalMoves(king, moves);
    for (Move move : moves)
        if (move.isCastling() && fileOf(move.to) == (longSide ? 2 : 6))
            return move;
    return NoMove;
}
} // namespace

Move resolvePgnMoveShortcut(Board& board, std::string_view text)
{
    // Check and annotation marks say nothing about which move is meant.
    while (!text.empty() &&
        (text.back() == '+' || text.back() == '#' || text.back() == '!' || text.back() == '?'))
        text.remove_suffix(1);
    if (text.size() < 2)
        return NoMove;

    if (text == "O-O" || text == "0-0")
        return castling(board, false);
    if (text == "O-O-O" || text == "0-0-0")
        return castling(board, true);

    const std::uint8_t side = board.sideToMove();
    int kind = pieceKind(text[0]);
    if (kind >= 0) {
        // Piece move: [from file][from rank][x] target.
        if (text.size() < 3 || !isFileLetter(text[text.size() - 2]) || !isRankDigit(text.back()))
            return NoMove;
        const Square to = makeSquare(text[text.size() - 2] - 'a', text.back() - '1');
        std::string_view hint = text.substr(1, text.size() - 3);
        if (!hint.empty() && hint.back() == 'x')
            hint.remove_suffix(1);
        int fileHint = -1;
        int rankHint = -1;
        if (!hint.empty() && isFileLetter(hint[0])) {
            fileHint = hint[0] - 'a';
            hint.remove_prefix(1);
        }
        if (!hint.empty() && isRankDigit(hint[0])) {
            rankHint = hint[0] - '1';
            hint.remove_prefix(1);
        }
        if (!hint.empty())
            return NoMove;
        const PieceCode piece = pieceOf(kind, side);
        Move found = NoMove;
        int count = 0;
        for (int file = 0; file < 8 && count < 2; ++file) {
            if (fileHint >= 0 && file != fileHint)
                continue;
            for (int rank = 0; rank < 8 && count < 2; ++rank) {
                if (rankHint >= 0 && rank != rankHint)
                    continue;
                const Square from = makeSquare(file, rank);
                if (board.pieceAt(from) != piece)
                    continue;
                collect(
                    board, from, to,
                    [](Move move) { return !move.isCastling() && !move.isPromotion(); }, found,
                    count);
            }
        }
        return count == 1 ? found : NoMove;
    }

    if (!isFileLetter(text[0]))
        return NoMove;
    // Pawn move: file [x file] rank [[=] promotion letter].
    std::size_t at = 1;
    int fromFile = text[0] - 'a';
    int toFile = fromFile;
    if (at < text.size() && text[at] == 'x')
        ++at;
    if (at < text.size() && isFileLetter(text[at]))
        toFile = text[at++] - 'a';
    if (at >= text.size() || !isRankDigit(text[at]))
        return NoMove;
    const int toRank = text[at++] - '1';
    int promotionKind = -1;
    if (at < text.size() && text[at] == '=')
        ++at;
    if (at < text.size()) {
        promotionKind = pieceKind(text[at++]);
        if (promotionKind < 0 || promotionKind == kKing || at != text.size())
            return NoMove;
    }
    const bool capture = toFile != fromFile;
    if (capture && (toFile - fromFile > 1 || fromFile - toFile > 1))
        return NoMove;
    const Square to = makeSquare(toFile, toRank);
    const int forward = side == kWhiteSide ? 1 : -1;
    const PieceCode pawn = pieceOf(kPawn, side);
    auto accept = [&](Move move) {
        if (move.isPromotion())
            return promotionKind >= 0 && kindOf(move.piece) == promotionKind;
        return promotionKind < 0 && move.piece == pawn;
    };
    Move found = NoMove;
    int count = 0;
    int fromRank = toRank - forward;
    if (fromRank < 0 || fromRank > 7)
        return NoMove;
    Square from = makeSquare(fromFile, fromRank);
    if (board.pieceAt(from) == pawn)
        collect(board, from, to, accept, found, count);
    else if (!capture && board.pieceAt(from) == kEmpty) {
        // A double step passes over the empty square in front of the pawn.
        fromRank -= forward;
        if (fromRank >= 0 && fromRank <= 7) {
            from = makeSquare(fromFile, fromRank);
            if (board.pieceAt(from) == pawn)
                collect(board, from, to, accept, found, count);
        }
    }
    return count == 1 ? found : NoMove;
}

Move resolvePgnMove(Board& board, std::string_view symbol)
{
    Move move = resolvePgnMoveShortcut(board, symbol);
    if (move != NoMove)
        return move;
    return readSan(board, symbol);
}

} // namespace velmorak
