#include "MoveWords.h"

namespace velmorak {

namespace {
constexpr std::string_view kPieceWords[] = { "King", "Bishop", "Knight", "Rook", "Pawn", "Queen" };
// SAN characters that carry nothing the words need.
constexpr std::string_view kDroppedSanCharacters = "x +#=-";

bool isCentre(Square square)
{
    int file = fileOf(square);
    int rank = rankOf(square);
    return file >= 2 && file <= 5 && rank >= 2 && rank <= 5;
}

bool isPieceLetter(char c)
{
    return std::string_view("PNBRQK").find(c) != std::string_view::npos;
}

void addSquare(std::vector<std::string>& words, Square square, bool isFrom)
{
    words.push_back(fileWord(square));
    words.push_back(rankWord(square, isFrom));
}

void addTail(std::vector<std::string>& words, Move move)
{
    if (move.isPromotion())
        words.emplace_back(pieceWord(move.piece));
    if (move.isEnPassant())
        words.emplace_back("EnPassant");
}
} // namespace

bool isNullMove(Move move)
{
    return move == NullMove || (move.from & 0x88) != 0 || (move.to & 0x88) != 0 ||
        kindOf(move.piece) > kQueen;
}

PieceCode movingPiece(Move move)
{
    return move.isPromotion() ? pieceOf(kPawn, isBlackPiece(move.piece) ? 1 : 0) : move.piece;
}

int moveSoundNumber(Move move)
{
    if (isNullMove(move))
        return 0;
    int mover = kindOf(movingPiece(move));
    int sound;
    if (!move.isCapture()) {
        sound = (mover == kKing || mover == kRook || mover == kQueen) ? 2 : 1;
    } else {
        int captured = kindOf(move.captured());
        bool light = captured == kPawn || captured == kKnight || captured == kBishop;
        sound = (light || (mover == kRook && captured == kRook)) ? 3 : 4;
    }
    return isCentre(move.to) ? sound + 4 : sound;
}

std::string moveSoundName(Move move)
{
    int number = moveSoundNumber(move);
    return number == 0 ? std::string() : "move" + std::to_string(number);
}

std::string_view pieceWord(PieceCode piece)
{
    int kind = kindOf(piece);
    return kind <= kQueen ? kPieceWords[kind] : std::string_view();
}

std::string fileWord(Square square)
{
    return std::string(1, static_cast<char>('A' + (fileOf(square) & 7))) + "from";
}

std::string rankWord(Square square, bool isFrom)
{
    return std::string(1, static_cast<char>('1' + rankOf(square))) + (isFrom ? "from" : "to");
}

std::string castlingWord(Move move)
{
    return fileOf(move.to) == 6 ? "0-0" : "0-0-0";
}

std::vector<std::string> briefMoveWords(Move move, PieceCode mover, std::string_view san)
{
    std::vector<std::string> words;
    if (isNullMove(move))
        return words;
    if (move.isCastling()) {
        words.push_back(castlingWord(move));
        return words;
    }
    std::string text;
    for (char c : san)
        if (kDroppedSanCharacters.find(c) == std::string_view::npos)
            text += c;

    if (text.empty() || !isPieceLetter(text[0])) {
        // A pawn move: "e4", or "ed5" for a capture.
        if (text.size() >= 2 && text[1] >= 'a' && text[1] <= 'h') {
            words.push_back(fileWord(move.from));
            words.emplace_back("Takes");
        }
        addSquare(words, move.to, false);
        addTail(words, move);
        return words;
    }

    words.emplace_back(pieceWord(kindOf(mover) <= kQueen ? mover : movingPiece(move)));
    // The last rank digit tells how much of the origin the SAN had to give: none in "Nd7",
    // the file or rank in "Nbd7" or "R1e2", the whole square in "Qh4e1".
    std::size_t lastDigit = text.find_last_of("12345678");
    if (lastDigit == 3) {
        if (text[1] >= '1' && text[1] <= '8')
            words.push_back(rankWord(move.from, true));
        else
            words.push_back(fileWord(move.from));
    } else if (lastDigit == 4) {
        addSquare(words, move.from, true);
    }
    if (move.isCapture())
        words.emplace_back("Takes");
    addSquare(words, move.to, false);
    addTail(words, move);
    return words;
}

std::vector<std::string> fullMoveWords(Move move)
{
    std::vector<std::string> words;
    if (isNullMove(move))
        return words;
    if (move.isCastling()) {
        words.push_back(castlingWord(move));
        return words;
    }
    words.emplace_back(pieceWord(movingPiece(move)));
    addSquare(words, move.from, true);
    if (move.isCapture()) {
        words.emplace_back("Takes");
        words.emplace_back(pieceWord(move.captured()));
    }
    addSquare(words, move.to, false);
    addTail(words, move);
    return words;
}

std::string_view stateWord(GameEndCode end, bool inCheck)
{
    switch (end) {
    case GameEndCode::None:
        return inCheck ? "Check" : "";
    case GameEndCode::Checkmate:
        return "Checkmate";
    case GameEndCode::Stalemate:
        return "Stalemate";
    case GameEndCode::ThreefoldRepetition:
    case GameEndCode::FiftyMoveRule:
    case GameEndCode::InsufficientMaterial:
        return "Drawoffer";
    }
    return "";
}

} // namespace velmorak
