#include "CoordinateNotation.h"

namespace velmorak {

std::string writeCoordinates(Move move)
{
    if (move == NullMove)
        return "null";
    std::string text = squareText(move.from) + squareText(move.to);
    if (move.isPromotion())
        text += kCoordinatePromotionLetters[move.piece & 15];
    return text;
}

namespace {

bool equalsNull(std::string_view text)
{
    if (text.size() != 4)
        return false;
    const char* word = "null";
    for (std::size_t i = 0; i < 4; ++i)
        if ((text[i] | 0x20) != word[i])
            return false;
    return true;
}

} // namespace

bool makeCoordinateMove(Board& board, std::string_view text)
{
    if (equalsNull(text))
        return board.makeMove(NullMove);
    if (text.size() < 4)
        return false;
    Square from = squareFromText(text.substr(0, 2));
    Square to = squareFromText(text.substr(2, 2));
    if (!isOnBoard(from) || !isOnBoard(to))
        return false;

    // The text is trusted (it comes from an engine or a stored game); the board supplies
    // what the coordinates leave out: capture, en passant, castling.
    PieceCode target = board.pieceAt(to);
    Move move { from, board.pieceAt(from), to, kQuietFlags };
    if (target != kEmpty)
        move.flags = static_cast<std::uint8_t>(target | kCaptureFlag);
    PieceCode promoted = text.size() >= 5 ? pieceFromFenLetter(text[4]) : kEmpty;
    if (promoted != kEmpty) {
        if (rankOf(to) == 0 && isWhitePiece(promoted))
            promoted = static_cast<PieceCode>(promoted + kBlack);
        else if (rankOf(to) == 7 && isBlackPiece(promoted))
            promoted = static_cast<PieceCode>(promoted - kBlack);
        move.piece = promoted;
        move.flags |= kPromotionFlag;
    } else if (isPawn(move.piece) && target == kEmpty && fileOf(from) != fileOf(to)) {
        move.flags = move.piece == kWhitePawn ? kWhiteTakesEnPassant : kBlackTakesEnPassant;
    } else if (isKing(move.piece) && (to - from == 32 || to - from == -32)) {
        move.flags = kCastlingFlags;
    }
    return board.makeMove(move);
}

Move readCoordinateToken(Board& board, std::string_view text, std::size_t& cursor)
{
    while (cursor < text.size() && text[cursor] == ' ')
        ++cursor;
    if (cursor > text.size() || text.size() - cursor < 4)
        return NoMove;
    const char* s = text.data() + cursor;
    // Characters that name no square would wrap around to some other square: refuse them.
    auto isFile = [](char c) { return c >= 'a' && c <= 'h'; };
    auto isRank = [](char c) { return c >= '1' && c <= '8'; };
    bool named = isFile(s[0]) && isRank(s[1]) && isFile(s[2]) && isRank(s[3]);
    auto from = static_cast<Square>((s[0] - 'a') * 16 + (s[1] - '1'));
    auto to = static_cast<Square>((s[2] - 'a') * 16 + (s[3] - '1'));
    cursor += 4;
    PieceCode promotion = kEmpty;
    if (cursor < text.size() && text[cursor] != ' ') {
        switch (text[cursor++]) {
        case 'q':
        case 'Q':
            promotion = kWhiteQueen;
            break;
        case 'n':
        case 'N':
            promotion = kWhiteKnight;
            break;
        case 'r':
        case 'R':
            promotion = kWhiteRook;
            break;
        case 'b':
        case 'B':
            promotion = kWhiteBishop;
            break;
        default:
            break;
        }
        if (promotion != kEmpty && rankOf(to) == 0)
            promotion = static_cast<PieceCode>(promotion + kBlack);
    }
    if (!named)
        return NoMove;
    return board.findMove(from, to, promotion);
}

} // namespace velmorak
