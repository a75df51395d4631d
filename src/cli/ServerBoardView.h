#pragma once

#include <string>

#include "PlayView.h"

namespace velmorak {
class GameController;
} // namespace velmorak

namespace velmorak::cli {

class PlayOutput;

// The board of `velmorak-cli server`: "fen" and "move" lines as `play` prints them, except
// that a game that ended prints no further position until a new game is on the board (a
// position without moves) or the next game starts.
class ServerBoardView final : public PlayView {
public:
    explicit ServerBoardView(PlayOutput& output)
        : PlayView(output)
        , m_output(output)
    {
    }

    // The controller whose game is shown; set once the application has made it.
    void watch(const GameController& controller) { m_controller = &controller; }
    void positionChanged(const Board& board) override;
    void gameEnded() { m_holding = true; }
    void gameStarted(const Board& board);

private:
    void print(const std::string& fen);

    PlayOutput& m_output;
    const GameController* m_controller = nullptr;
    bool m_holding = false;
    std::string m_lastFen;
};

} // namespace velmorak::cli
