#pragma once

#include "app/ControllerView.h"

namespace velmorak::cli {

class PlayOutput;

// The board of `velmorak-cli play`: nothing is drawn or animated; every change of the
// controller's position prints "fen FEN" and every move entered into the game "move SAN".
class PlayView : public ControllerView {
public:
    explicit PlayView(PlayOutput& output)
        : m_output(output)
    {
    }

    void drawMove(Move, bool, bool, bool) override { }
    void drawTakeBack(Move, bool) override { }
    void redrawBoard() override { }
    void positionChanged(const Board& board) override;
    void moveEntered(const CGameNode& node) override;
    void setCommandEnabled(ControllerCommand, bool) override { }
    void setCommandChecked(ControllerCommand, bool) override { }
    void invalidateStatus() override { }
    void invalidateMoveList() override { }
    void clearSelection() override { }
    bool isAnimating() const override { return false; }
    void endAnimation() override { }
    // "hint SAN" or "threat SAN".
    void showMoveThereAndBack(Move, std::string_view san, bool threat) override;
    void setBoardFlipped(bool) override { }

private:
    PlayOutput& m_output;
};

} // namespace velmorak::cli
