#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "rules/Board.h"

namespace velmorak {

class GameController;

inline constexpr std::string_view kIllegalPositionText = "The position isn´t legal!";
inline constexpr std::string_view kSetSideToMoveText = "Please set side to move!";

// What the details dialog shows and hands back.
struct SetupDetails {
    // kWhiteSide or kBlackSide; nullopt when neither is chosen.
    std::optional<std::uint8_t> sideToMove;
    // The ticked castling boxes (kWhiteShortRight, ...).
    std::uint8_t castlingRights = 0;
    // The boxes that can be ticked: their king and rook stand on their home squares.
    std::uint8_t castlingAvailable = 0;
    // 0..7 for files a..h; nullopt for "none".
    std::optional<int> enPassantFile;
    int moveNumber = 1;

    friend bool operator==(const SetupDetails&, const SetupDetails&) = default;
};

// "Setup board": the editing board, its palette and the two closes (the editor's, then the
// details'), as a loop that ends only with a position that may start a game, or abandoned.
// The front end shows the stage it is in and the message each step returns; the game
// changes only through installSetupPosition, after the dialogs have closed.
//
// Interface thread only; holds no reference to the game.
class SetupEditor {
public:
    enum class Stage {
        // The editing board is shown; pieces are placed, moved and removed.
        Editing,
        // The position passed; side, castling, en passant and move number are asked.
        Details,
        // A legal position is ready: newGameFen() tells whether it changes the game.
        Finished,
        // The editor was cancelled: nothing changes.
        Abandoned,
    };

    static constexpr int kMinMoveNumber = 1;
    static constexpr int kMaxMoveNumber = 999;

    // Starts on the game's current position, which is remembered: setting it up again
    // changes nothing.
    explicit SetupEditor(std::string_view currentFen);

    Stage stage() const { return m_stage; }
    const Board& board() const { return m_board; }

    // --- The palette and the editing board (Editing only; other stages ignore them) --------------
    PieceCode selectedPiece() const { return m_selected; }
    void selectPiece(PieceCode piece);
    // Puts the selected man on `square`, replacing what stood there.
    void place(Square square);
    void remove(Square square);
    // A man dragged from one square to another; a drag from an empty square does nothing.
    void move(Square from, Square to);
    // Empty board, white to move.
    void clear();
    void setStartPosition();
    // The game's position as it was when the command started.
    void setCurrentPosition();
    // A FEN pasted onto the editing board; refused, board unchanged, when it is no FEN.
    Status setFen(std::string_view fen);
    // The editing board as a FEN ("Copy FEN"), its rights as the editor would keep them.
    std::string fen() const;

    // --- The electronic board -------------------------------------------------------------------
    // The position a connected electronic board shows, read on its timer and once more
    // before the editor closes: the editing board takes its men, every castling right whose
    // king and rook stand at home, and no en-passant square.
    void followElectronicBoard(const BoardSquares& squares);

    // --- Closing ---------------------------------------------------------------------------------
    // The editor's OK. Rights the men contradict are dropped first, so a moved king or rook
    // never traps the user in an illegal position; then the position is validated, trying
    // the other side to move when it fails as set. Returns the message to show, or empty
    // when the details are due. `sideFromElectronicBoard`: the electronic board set up a
    // new position with this side to move, which skips the details.
    std::string_view closeEditor(std::optional<std::uint8_t> sideFromElectronicBoard = {});
    // The editor's Cancel: the game stays as it is.
    void abandon();

    // The fields the details dialog starts with.
    SetupDetails details() const;
    // The details dialog closed: `chosen` by its OK, nullopt by its Cancel (which keeps the
    // board as it is and still finishes). Returns the message to show: the side to move
    // missing keeps the details open; an illegal position goes back to the editor.
    std::string_view closeDetails(const std::optional<SetupDetails>& chosen);

    // When finished with a position other than the one the command started on: its FEN,
    // half-move clock 0, to start the new game from. Nothing otherwise.
    std::optional<std::string> newGameFen() const;

private:
    std::string_view finishIfLegal();

    Board m_board;
    std::string m_startFen;
    PieceCode m_selected = kWhitePawn;
    Stage m_stage = Stage::Editing;
};

// Starts the new game a finished set-up asked for, as any other game change: refused (false)
// while the controller allows no game change; the engine's hash tables are cleared.
bool installSetupPosition(GameController& controller, const std::string& fen);

} // namespace velmorak
