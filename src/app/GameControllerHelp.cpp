// The game controller's helps for the player: the coach, hint and threat.
#include "app/GameController.h"

namespace velmorak {

bool GameController::coachTakesBack(const SearchEnded&)
{
    return false;
}

void GameController::updateCoachMemory(const SearchEnded&) { }

Move GameController::showHint()
{
    return NoMove;
}

Move GameController::showThreat()
{
    return NoMove;
}

Move GameController::runHelpSearch(const std::string&)
{
    return NoMove;
}

} // namespace velmorak
