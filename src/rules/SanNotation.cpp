#include "SanNotation.h"

namespace velmorak {

namespace {

constexpr std::size_t kMaxSanInput = 19; // characters of the input that are looked at

bool isPawnish(Move move)
{
    return move.isPromotion() || isPawn(move.piece);
}

struct Disambiguation {
    bool file = false;
    bool rank = false;
};

Disambiguation disambiguate(Board& board, const SanOptions& options)
{
    Move move = options.move;
    if (options.forceFile || options.forceRank)
        return { options.forceFile, options.forceRank };
    if (kindOf(move.piece) == kKing && !isPawnish(move))
        return {};

    MoveList generated;
    const Move* candidates = options.candidates;
    std::size_t count = options.candidateCount;
    if (!candidates) {
        board.allLegalMoves(generated);
        candidates = generated.data();
        count = generated.size();
    }
    Disambiguation result;
    bool otherFile = false;
    bool otherRank = false;
    for (std::size_t i = 0; i < count; ++i) {
        Move other = candidates[i];
        if (other.from == move.from || other.to != move.to)
            continue;
        bool samePiece = other.piece == move.piece && !other.isPromotion() && !move.isPromotion();
        bool bothPromote = other.isPromotion() && move.isPromotion();
        if (!samePiece && !bothPromote)
            continue;
        if (fileOf(other.from) != fileOf(move.from))
            otherFile = true;
        else if (rankOf(other.from) != rankOf(move.from))
            otherRank = true;
    }
    // A candidate on another file is told apart by the file; one on the same file only
    // by the rank. Several candidates may need both.
    result.file = otherFile;
    result.rank = otherRank;
    return result;
}

} // namespace

std::string writeSan(Board& board, const SanOptions& options)
{
    Move move = options.move;
    if (move.isCastling())
        return fileOf(move.to) == 6 ? "O-O" : "O-O-O";

    std::string san;
    bool pawnish = isPawnish(move);
    if (!pawnish)
        san += kSanLetters[move.piece & 15];
    Disambiguation needed = disambiguate(board, options);
    if (pawnish && move.isCapture())
        needed.file = true;
    if (needed.file)
        san += static_cast<char>('a' + fileOf(move.from));
    if (needed.rank)
        san += static_cast<char>('1' + rankOf(move.from));
    if (move.isCapture())
        san += 'x';
    san += squareText(move.to);
    if (move.isPromotion()) {
        san += '=';
        san += kSanLetters[move.piece & 15];
    }
    if (options.withCheckMarks) {
        board.makeMove(move);
        if (board.isInCheck())
            san += board.hasLegalMove() ? '+' : '#';
        board.unmakeMove();
    }
    return san;
}

std::string writeSan(Board& board, Move move, bool withCheckMarks)
{
    SanOptions options;
    options.move = move;
    options.withCheckMarks = withCheckMarks;
    return writeSan(board, options);
}

std::string simplifySan(std::string_view text)
{
    std::string out;
    std::size_t length = std::min(text.size(), kMaxSanInput);
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        switch (c) {
        case '-':
        case '+':
        case '#':
        case 'x':
        case '=':
        case '?':
        case '!':
            continue;
        case '0':
            c = 'o';
            break;
        default:
            if (c >= 'A' && c <= 'Z' && c != 'B')
                c = static_cast<char>(c - 'A' + 'a');
            break;
        }
        out += c;
    }
    if (out.size() > 3 && out.compare(out.size() - 2, 2, "ep") == 0)
        out.resize(out.size() - 2);
    return out;
}

namespace {

bool isFileLetter(char c)
{
    return c >= 'a' && c <= 'h';
}

// "exd5" simplified to "ed5": the pawn of the named file that captures on the target.
Move pawnCaptureShortcut(Board& board, const std::string& s, Square to)
{
    int side = board.sideToMove();
    int file = s[0] - 'a';
    int from;
    if (side == kBlackSide)
        from = fileOf(to) <= file ? to + 17 : to - 15;
    else
        from = fileOf(to) <= file ? to + 15 : to - 17;
    PieceCode pawn = pieceOf(kPawn, side);
    if (!isOnBoard(from) || fileOf(static_cast<Square>(from)) != file ||
        board.pieceAt(static_cast<Square>(from)) != pawn)
        return NoMove;
    PieceCode target = board.pieceAt(to);
    std::uint8_t flags = target == kEmpty
        ? (side == kBlackSide ? kBlackTakesEnPassant : kWhiteTakesEnPassant)
        : static_cast<std::uint8_t>(target | kCaptureFlag);
    return { static_cast<Square>(from), pawn, to, flags };
}

constexpr int kKnightSteps[2][8] = {
    { -31, 33, -33, 31, -14, 18, -18, 14 },
    { -33, 31, -31, 33, -18, 14, -14, 18 },
};
constexpr int kKingSteps[2][8] = {
    { 16, -16, -17, -1, 15, 17, 1, -15 },
    { 16, -16, -15, 1, 17, 15, -1, -17 },
};
constexpr int kBishopSteps[2][4] = { { 17, -15, 15, -17 }, { 15, -17, 17, -15 } };
constexpr int kRookSteps[2][4] = { { 1, 16, -16, -1 }, { -1, 16, -16, 1 } };
constexpr int kQueenSteps[2][8] = {
    { 17, -15, 1, 15, -17, -1, 16, -16 },
    { 15, -17, -1, 17, -15, 1, 16, -16 },
};

// "Nf3" and the like: look back from the target for the named piece; the first one
// found whose move is legal wins.
Move pieceShortcut(Board& board, char letter, Square to)
{
    int side = board.sideToMove();
    int kind;
    switch (letter) {
    case 'B':
        kind = kBishop;
        break;
    case 'k':
        kind = kKing;
        break;
    case 'n':
        kind = kKnight;
        break;
    case 'q':
        kind = kQueen;
        break;
    case 'r':
        kind = kRook;
        break;
    default:
        return NoMove;
    }
    PieceCode piece = pieceOf(kind, side);
    PieceCode target = board.pieceAt(to);
    std::uint8_t flags =
        target == kEmpty ? kQuietFlags : static_cast<std::uint8_t>(target | kCaptureFlag);

    auto tryFrom = [&](int from) {
        Move move { static_cast<Square>(from), piece, to, flags };
        return board.isMoveLegal(move) ? move : NoMove;
    };
    const int* steps;
    int count;
    bool slides = true;
    switch (kind) {
    case kKnight:
        steps = kKnightSteps[side], count = 8, slides = false;
        break;
    case kKing:
        steps = kKingSteps[side], count = 8, slides = false;
        break;
    case kBishop:
        steps = kBishopSteps[side], count = 4;
        break;
    case kRook:
        steps = kRookSteps[side], count = 4;
        break;
    default:
        steps = kQueenSteps[side], count = 8;
        break;
    }
    for (int d = 0; d < count; ++d) {
        int from = to + steps[d];
        while (slides && isOnBoard(from) && board.pieceAt(static_cast<Square>(from)) == kEmpty)
            from += steps[d];
        if (!isOnBoard(from) || board.pieceAt(static_cast<Square>(from)) != piece)
            continue;
        Move move = tryFrom(from);
        if (move != NoMove)
            return move;
    }
    return NoMove;
}

// "e4": the pawn one step behind an empty target.
Move pawnPushShortcut(Board& board, Square to)
{
    int side = board.sideToMove();
    int from = side == kWhiteSide ? to - 1 : to + 1;
    PieceCode pawn = pieceOf(kPawn, side);
    if (!isOnBoard(from) || board.pieceAt(static_cast<Square>(from)) != pawn)
        return NoMove;
    return { static_cast<Square>(from), pawn, to, kQuietFlags };
}

// The shortcuts take no legality test of their own; a move they propose is accepted
// only when it is one of the legal moves, else the full search decides.
Move shortcut(Board& board, const std::string& s)
{
    if (s.size() == 3 && s[2] >= '1' && s[2] <= '8' && isFileLetter(s[1])) {
        Square to = squareFromText(std::string_view(s).substr(1, 2));
        if (isFileLetter(s[0])) {
            Move move = pawnCaptureShortcut(board, s, to);
            return move != NoMove && board.isMoveLegal(move) ? move : NoMove;
        }
        return pieceShortcut(board, s[0], to);
    }
    if (s.size() == 2 && isFileLetter(s[0]) && s[1] >= '1' && s[1] <= '8') {
        Square to = squareFromText(s);
        if (board.pieceAt(to) != kEmpty)
            return NoMove;
        Move move = pawnPushShortcut(board, to);
        return move != NoMove && board.isMoveLegal(move) ? move : NoMove;
    }
    return NoMove;
}

// The tolerant spellings of a move, tried in order until one matches.
bool matchesTolerantForm(Board& board, const MoveList& legal, Move move, const std::string& s)
{
    SanOptions options;
    options.move = move;
    options.candidates = legal.data();
    options.candidateCount = legal.size();
    for (int variant = 0; variant < 4; ++variant) {
        std::string prefix;
        if (variant & 1)
            prefix =
                fenLetter(move.isPromotion() ? pieceOf(kPawn, board.sideToMove()) : move.piece);
        std::string captured;
        if ((variant & 2) && move.isCapture())
            captured = fenLetter(move.captured());
        if (!(variant & 2)) {
            options.forceFile = options.forceRank = false;
            if (simplifySan(prefix + writeSan(board, options)) == s)
                return true;
            options.forceFile = true;
            if (simplifySan(prefix + writeSan(board, options)) == s)
                return true;
            options.forceFile = false;
            options.forceRank = true;
            if (simplifySan(prefix + writeSan(board, options)) == s)
                return true;
        }
        if (simplifySan(prefix + squareText(move.from) + captured + squareText(move.to)) == s)
            return true;
    }
    return false;
}

} // namespace

Move readSan(Board& board, std::string_view text)
{
    std::string s = simplifySan(text);
    if (s.empty())
        return NoMove;
    Move move = shortcut(board, s);
    if (move != NoMove)
        return move;

    MoveList legal;
    board.allLegalMoves(legal);
    SanOptions options;
    options.candidates = legal.data();
    options.candidateCount = legal.size();
    for (Move candidate : legal) {
        options.move = candidate;
        if (simplifySan(writeSan(board, options)) == s)
            return candidate;
    }
    for (Move candidate : legal)
        if (matchesTolerantForm(board, legal, candidate, s))
            return candidate;
    return NoMove;
}

} // namespace velmorak
