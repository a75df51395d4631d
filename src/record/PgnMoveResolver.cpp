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

// Collects the legal moves from `from` that end on `to` and satisfy `accept`. Only the
// pseudo-legal moves that fit the text are tested for legality, so a queen's twenty moves
// cost one test, not twenty.
template <typename Accept>
void collect(
    Board& board, Square king, Square from, Square to, Accept&& accept, Move& found, int& count)
{
    SquareMoveList moves;
    board.pseudoLegalMoves(from, moves);
    for (Move move : moves) {
        if (move.to == to && accept(move) && board.isLegal(move, king)) {
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
    const Square king = board.findKing(pieceOf(kKing, side));
    if (king == NoSquare)
        return NoMove;
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
        const PieceCode target = board.pieceAt(to);
        if (target != kEmpty && (target < 6) == (side == kWhiteSide))
            return NoMove;
        // Look from the target for the pieces that can reach it, as the pieces themselves
        // would: one step for knight and king, rays over empty squares for the others. The
        // move is built the way the generator builds it and then tested for legality.
        const std::uint8_t flags =
            target == kEmpty ? kQuietFlags : static_cast<std::uint8_t>(target | kCaptureFlag);
        Move found = NoMove;
        int count = 0;
        auto consider = [&](int from) {
            if (fileHint >= 0 && fileOf(Square(from)) != fileHint)
                return;
            if (rankHint >= 0 && rankOf(Square(from)) != rankHint)
                return;
            Move move { Square(from), piece, to, flags };
            if (board.isLegal(move, king)) {
                found = move;
                ++count;
            }
        };
        static constexpr int kKnightSteps[] = { 33, 31, 18, 14, -14, -18, -31, -33 };
        static constexpr int kKingSteps[] = { 1, -1, 16, -16, 17, 15, -15, -17 };
        if (kind == kKnight || kind == kKing) {
            for (int step : kind == kKnight ? kKnightSteps : kKingSteps) {
                int from = to + step;
                if (isOnBoard(from) && board.pieceAt(Square(from)) == piece)
                    consider(from);
            }
        } else {
            const bool straight = kind == kRook || kind == kQueen;
            const bool diagonal = kind == kBishop || kind == kQueen;
            for (int step : kKingSteps) {
                const bool isStraight = step == 1 || step == -1 || step == 16 || step == -16;
                if ((isStraight && !straight) || (!isStraight && !diagonal))
                    continue;
                int from = to + step;
                while (isOnBoard(from) && board.pieceAt(Square(from)) == kEmpty)
                    from += step;
                if (isOnBoard(from) && board.pieceAt(Square(from)) == piece)
                    consider(from);
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
        collect(board, king, from, to, accept, found, count);
    else if (!capture && board.pieceAt(from) == kEmpty) {
        // A double step passes over the empty square in front of the pawn.
        fromRank -= forward;
        if (fromRank >= 0 && fromRank <= 7) {
            from = makeSquare(fromFile, fromRank);
            if (board.pieceAt(from) == pawn)
                collect(board, king, from, to, accept, found, count);
        }
    }
    return count == 1 ? found : NoMove;
}

Move resolveUnusualMove(Board& board, std::string_view text)
{
    while (!text.empty() &&
        (text.back() == '+' || text.back() == '#' || text.back() == '!' || text.back() == '?'))
        text.remove_suffix(1);
    const std::uint8_t side = board.sideToMove();
    const Square king = board.findKing(pieceOf(kKing, side));
    if (king == NoSquare)
        return NoMove;
    if (text == kNullMoveSan || text == "Z0")
        return board.isLegal(NullMove, king) ? NullMove : NoMove;

    auto isSquareAt = [&](std::size_t at) {
        return at + 1 < text.size() && isFileLetter(text[at]) && isRankDigit(text[at + 1]);
    };
    auto squareAt = [&](std::size_t at) { return makeSquare(text[at] - 'a', text[at + 1] - '1'); };
    if (!text.empty() && text[0] == 'K') {
        // "Kg1", "Ke1g1", "Ke1-g1": the king's two steps from its home square are castling.
        const int homeRank = side == kWhiteSide ? 0 : 7;
        if (king != makeSquare(4, homeRank))
            return NoMove;
        std::size_t at = 1;
        if (text.size() > 3 && isSquareAt(at)) {
            if (squareAt(at) != king)
                return NoMove;
            at += 2;
            if (at < text.size() && text[at] == '-')
                ++at;
        }
        if (at + 2 != text.size() || !isSquareAt(at) || rankOf(squareAt(at)) != homeRank)
            return NoMove;
        const int file = fileOf(squareAt(at));
        return file == 6 || file == 2 ? castling(board, file == 2) : NoMove;
    }

    // Coordinates with a promotion piece: from, "-" or "x", to, "=", piece in either case.
    if (!isSquareAt(0))
        return NoMove;
    std::size_t at = 2;
    if (at < text.size() && (text[at] == '-' || text[at] == 'x'))
        ++at;
    if (!isSquareAt(at))
        return NoMove;
    const Square from = squareAt(0);
    const Square to = squareAt(at);
    at += 2;
    if (at < text.size() && text[at] == '=')
        ++at;
    if (at + 1 != text.size())
        return NoMove;
    const char letter = text[at];
    const int kind = pieceKind(letter >= 'a' ? static_cast<char>(letter - 'a' + 'A') : letter);
    if (kind < 0 || kind == kKing)
        return NoMove;
    SquareMoveList moves;
    board.legalMoves(from, moves);
    for (Move move : moves)
        if (move.to == to && move.isPromotion() && move.piece == pieceOf(kind, side))
            return move;
    return NoMove;
}

Move resolvePgnMove(Board& board, std::string_view symbol)
{
    Move move = resolvePgnMoveShortcut(board, symbol);
    if (move != NoMove)
        return move;
    return readSan(board, symbol);
}

} // namespace velmorak
