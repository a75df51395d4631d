#include "present/MoveInput.h"

#include "app/GameController.h"
#include "present/BoardView.h"
#include "rules/Board.h"
#include "sound/MoveSounds.h"

namespace velmorak {

namespace {

bool hasMoveFrom(Board board, Square square)
{
    SquareMoveList moves;
    board.legalMoves(square, moves);
    return moves.size() > 0;
}

bool hasMoveTo(Board board, Square square)
{
    return board.uniqueMoveTo(square) != NoMove;
}

PieceCode queenOf(const Board& board)
{
    return board.sideToMove() == kWhiteSide ? kWhiteQueen : kBlackQueen;
}

// The prompt's answer when it is a piece a pawn of that colour may become, else the queen.
PieceCode promotionPiece(PieceCode answer, bool white)
{
    const int kind = kindOf(answer);
    const bool pieceKind = kind == kQueen || kind == kRook || kind == kBishop || kind == kKnight;
    if (!pieceKind || answer == kEmpty || isWhitePiece(answer) != white)
        return white ? kWhiteQueen : kBlackQueen;
    return answer;
}

} // namespace

MoveInput::MoveInput(
    GameController& controller, BoardView& view, PromotionPrompt& promotion, MoveSounds& sounds)
    : m_controller(controller)
    , m_view(view)
    , m_promotion(promotion)
    , m_sounds(sounds)
{
}

bool MoveInput::isOwnPiece(Square square) const
{
    if (!isOnBoard(square))
        return false;
    const Board& board = m_controller.board();
    const PieceCode piece = board.pieceAt(square);
    if (piece == kEmpty)
        return false;
    return board.sideToMove() == kWhiteSide ? isWhitePiece(piece) : isBlackPiece(piece);
}

bool MoveInput::isOpponentPiece(Square square) const
{
    if (!isOnBoard(square))
        return false;
    const PieceCode piece = m_controller.board().pieceAt(square);
    return piece != kEmpty && !isOwnPiece(square);
}

bool MoveInput::penDown(Point point)
{
    m_pickedUp = false;
    const Square square = m_view.squareAt(point);
    if (!isOnBoard(square) || m_controller.isEngineSearchingForMove())
        return false;
    // A player who presses during the engine's animation has seen the move: it lands at
    // once and the press counts, rather than being dropped and its release taken for a tap
    // that leaves a target frame behind.
    m_view.endAnimation();
    Board board = m_controller.board();
    // One-tap mode plays a capture only one piece can make at once; with several, the
    // tapped piece is dragged onto the one that is to take it.
    const bool contested =
        m_options.oneTap && isOpponentPiece(square) && board.uniqueMoveTo(square) == AmbiguousMove;
    if (!isOwnPiece(square) && !contested)
        return false;
    if (m_options.highlightLegalMoves)
        m_view.markTargets(square);
    m_view.pickUp(square, point);
    m_pickedUp = m_view.isDragging();
    return m_pickedUp;
}

void MoveInput::penMove(Point point)
{
    if (m_view.isDragging() && !m_view.isAnimating())
        m_view.dragTo(point);
}

bool MoveInput::penUp(Point point)
{
    const bool pickedUp = m_pickedUp;
    m_pickedUp = false;
    // A drag left over from before the animation would otherwise be played by a later tap.
    if (m_view.isAnimating()) {
        cancel();
        return false;
    }
    const Square selFrom = m_view.selectedFrom(), selTo = m_view.selectedTo();
    Square from = selFrom, to = selTo;
    const Square square = m_view.squareAt(point);
    bool dragged = false;
    if (m_view.isDragging() && square != m_view.dragFrom()) {
        from = m_view.dragFrom();
        to = square;
        dragged = true;
    }
    if (!m_controller.moveInputAllowed()) {
        cancel();
        return false;
    }
    if (!dragged) {
        if (!isOnBoard(square)) {
            m_view.redrawBoard();
            cancel();
            return false;
        }
        if (square == selFrom || square == selTo) {
            m_view.setSelection(
                square == selFrom ? NoSquare : selFrom, square == selTo ? NoSquare : selTo);
            cancel();
            return false;
        }
    }
    Board board = m_controller.board();
    Move move = NoMove;
    if (m_options.oneTap && !dragged && !pickedUp) {
        move = board.uniqueMoveFrom(square);
        if (move == NoMove)
            move = board.uniqueMoveTo(square);
        if (move == AmbiguousMove)
            move = NoMove;
    }
    if (!dragged && move == NoMove) {
        if (isOwnPiece(square) && hasMoveFrom(board, square))
            from = square;
        else if (hasMoveTo(board, square))
            to = square;
    }
    if (move == NoMove && from != NoSquare && to != NoSquare)
        move = completion(from, to, square);
    if (move == NoMove) {
        noMove(from, to, dragged);
        return false;
    }
    return playMove(move, dragged);
}

void MoveInput::cancel()
{
    m_pickedUp = false;
    m_view.cancelDrag();
    m_view.clearTargetMarks();
}

Move MoveInput::completion(Square& from, Square& to, Square tapped) const
{
    Board board = m_controller.board();
    if (isOwnPiece(from)) {
        const Move move = board.findMove(from, to, queenOf(board));
        if (move != NoMove)
            return move;
        if (from == tapped)
            to = NoSquare;
        if (to == tapped)
            from = NoSquare;
        if (from != NoSquare && !hasMoveFrom(board, from))
            from = NoSquare;
        if (to == NoSquare)
            from = NoSquare;
        else if (hasMoveFrom(board, to))
            from = to;
        to = NoSquare;
        return NoMove;
    }
    if (isOpponentPiece(from) && m_options.oneTap) {
        // The opponent's piece was dragged onto the one that takes it.
        const Move capture = isOwnPiece(to) ? board.findMove(to, from, queenOf(board)) : NoMove;
        if (capture != NoMove)
            return capture;
        from = to = NoSquare;
    }
    return NoMove;
}

void MoveInput::noMove(Square from, Square to, bool dragged)
{
    cancel();
    if (from != m_view.selectedFrom() || to != m_view.selectedTo())
        m_view.setSelection(from, to);
    if (dragged)
        m_sounds.PlayMoveSound(NoMove);
}

bool MoveInput::playMove(Move move, bool dragged)
{
    m_view.setSelection(NoSquare, NoSquare);
    if (m_view.isDragging())
        m_view.dropOn(move.to);
    if (move.isPromotion()) {
        const bool white = isWhitePiece(move.piece);
        GameController::ModalDialogScope dialog(m_controller);
        move.piece = promotionPiece(m_promotion.askPromotion(white), white);
    }
    m_view.clearTargetMarks(move.to);
    if (!m_options.autoAnswer)
        m_controller.clearEngineOutput();
    return m_controller.userMove(move, dragged);
}

} // namespace velmorak
