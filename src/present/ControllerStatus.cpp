#include "app/ClockDisplay.h"
#include "app/GameController.h"
#include "present/StatusPanel.h"
#include "rules/SanNotation.h"

namespace velmorak {

StatusInput statusInput(const GameController& controller)
{
    StatusInput in;
    const ControllerState& state = controller.state();
    const CPgnGame& game = *state.game;
    in.tags.white = game.getTag("White");
    in.tags.black = game.getTag("Black");
    // The result belongs to the end of the game: a position taken back from a mate, or one
    // a replay has not yet reached, is not decided.
    const CGameNode* end = game.root()->endOfMainLine();
    in.tags.result = state.currentNode == end ? game.getTag("Result") : "*";
    in.tags.date = game.getTag("Date");
    in.tags.event = game.getTag("Event");
    in.tags.whiteElo = game.getTag("WhiteElo");
    in.tags.blackElo = game.getTag("BlackElo");
    in.currentNode = state.currentNode;
    in.whiteToMove = state.board.sideToMove() == kWhiteSide;
    in.engineBusy = controller.engine().isBusy();
    in.ponderActive = controller.engine().isPondering();
    in.ponderResultReady = state.ponderResultReady;
    in.analysisMode = state.analysisMode;
    in.showLevelLine = state.showLevelLine;
    in.trainingMode = state.trainingMode;
    in.ponderMove = state.ponderMove;
    if (Move predicted = state.ponderMove; predicted != NoMove) {
        // The SAN writer plays the move on the board, so it gets a copy, and only a move that
        // is legal there.
        Board board = state.board;
        Move legal = board.findMove(
            predicted.from, predicted.to, predicted.isPromotion() ? predicted.piece : kEmpty);
        if (legal != NoMove)
            in.ponderSan = writeSan(board, legal, true);
    }
    in.levelLine = levelText(controller.level());
    in.helpSearchText = state.helpSearchText;
    in.showMainline = controller.options().mainLine;
    in.scoreAlwaysForWhite = controller.options().scoreWhite;
    in.layout = controller.options().boardSize;
    in.serverConnected = state.serverConnected;
    in.serverPlayOrObserve = state.serverGameMode || state.observeMode;
    if (const EnginePluginHost* host = controller.engineHost()) {
        in.info = host->output().snapshot();
        in.nodesPerSecond = host->output().nodesPerSecond();
    }
    in.lineSerial = state.lineSerial;
    return in;
}

ClockFaces clockFaces(const GameController& controller, bool flipped, int layout)
{
    const ClockParts parts = controller.clocks();
    Board board = controller.state().board;
    const bool whiteToMove = board.sideToMove() == kWhiteSide;
    // After the game's end neither side is to move.
    const bool over = board.gameEnd() != GameEndCode::None;
    const ClockFace white { clockFace(parts.white, parts.whiteColon), true, whiteToMove && !over };
    const ClockFace black { clockFace(parts.black, parts.blackColon), false,
        !whiteToMove && !over };
    if (whiteClockFirst(flipped, layout))
        return { white, black };
    return { black, white };
}

} // namespace velmorak
