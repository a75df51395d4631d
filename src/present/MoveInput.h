#pragma once

#include "present/BoardLayout.h"
#include "rules/Move.h"

namespace velmorak {

class BoardView;
class GameController;
class MoveSounds;

// Asks which piece a pawn promotes to ("Promotion", "Select piece to promote"). Answers the
// piece code of the mover's colour; a dialog closed with OK or Cancel answers the queen.
class PromotionPrompt {
public:
    virtual ~PromotionPrompt() = default;
    virtual PieceCode askPromotion(bool white) = 0;
};

// Turns the pointer on the board into moves: tap the piece then its target (or the target
// then the piece), drag the piece, or in one-tap mode tap a square only one legal move can
// reach. Finished moves go to the controller's userMove; illegal combinations only change
// or drop the selection.
//
// Points are in layout coordinates. Only the primary button drives it. Interface thread
// only.
class MoveInput {
public:
    struct Options {
        bool oneTap = false;
        bool highlightLegalMoves = false;
        // "Auto answer": off clears the engine's output before a user move.
        bool autoAnswer = true;
    };

    // All must outlive the input.
    MoveInput(GameController& controller, BoardView& view, PromotionPrompt& promotion,
        MoveSounds& sounds);

    void setOptions(const Options& options) { m_options = options; }
    const Options& options() const { return m_options; }

    // Pointer pressed on the board: picks up a piece of the side to move (in one-tap mode
    // also an opponent's piece more than one legal move captures) unless the engine
    // searches for its own move. A running animation ends at once and the press counts.
    // Returns whether a piece was picked up.
    bool penDown(Point point);
    void penMove(Point point);
    // Pointer released: ends a drag, or completes a tap. Returns whether a move was played.
    bool penUp(Point point);
    // The drag ends without a move (focus lost, position changed elsewhere): the piece goes
    // back, the marks go; the selection stays.
    void cancel();

private:
    bool isOwnPiece(Square square) const;
    bool isOpponentPiece(Square square) const;
    Move completion(Square& from, Square& to, Square tapped) const;
    void noMove(Square from, Square to, bool dragged);
    bool playMove(Move move, bool dragged);

    GameController& m_controller;
    BoardView& m_view;
    PromotionPrompt& m_promotion;
    MoveSounds& m_sounds;
    Options m_options;
    // A piece was picked up at the last pen-down (one-tap lookups skip such taps).
    bool m_pickedUp = false;
};

} // namespace velmorak
