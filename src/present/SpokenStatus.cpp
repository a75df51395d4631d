#include "present/SpokenStatus.h"

#include <cstdio>

#include "app/GameController.h"
#include "app/GameEndTexts.h"
#include "record/CGameNode.h"
#include "record/CPgnGame.h"
#include "rules/Board.h"

namespace velmorak {

namespace {

std::string clockTime(std::int64_t seconds)
{
    const std::int64_t hours = seconds / 3600, minutes = seconds / 60 % 60;
    char text[32];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(hours),
            static_cast<long long>(minutes), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(minutes),
            static_cast<long long>(seconds % 60));
    return text;
}

} // namespace

std::string gameStateText(GameEndCode end, bool whiteToMove, std::string_view recordedResult)
{
    if (end == GameEndCode::Checkmate)
        return whiteToMove ? "Checkmate, Black wins, 0-1" : "Checkmate, White wins, 1-0";
    if (end != GameEndCode::None) {
        const GameEndTexts texts = gameEndTexts(end, whiteToMove);
        return std::string(texts.message) + ", " + std::string(texts.result);
    }
    if (recordedResult == "1-0")
        return "White won, 1-0";
    if (recordedResult == "0-1")
        return "Black won, 0-1";
    if (recordedResult == "1/2-1/2")
        return "Draw, 1/2-1/2";
    return whiteToMove ? "White to move" : "Black to move";
}

std::string gameStateText(GameController& controller)
{
    // gameEnd() leaves the board as it is, but is not const.
    Board board = controller.board();
    const CGameNode* node = controller.currentNode();
    const bool endsMainLine = node && node == controller.game().root()->endOfMainLine();
    return gameStateText(board.gameEnd(), board.sideToMove() == kWhiteSide,
        endsMainLine ? std::string_view(controller.game().result()) : std::string_view());
}

std::string spokenClocks(const ClockParts& clocks)
{
    return "White " + clockTime(clocks.whiteSeconds) + ", Black " + clockTime(clocks.blackSeconds);
}

std::string statusAnnouncement(GameController& controller)
{
    return gameStateText(controller) + ". " + spokenClocks(controller.clocks());
}

} // namespace velmorak
