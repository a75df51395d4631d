#include "app/GameController.h"
#include "rules/SanNotation.h"

namespace velmorak {

StatusInput GameController::statusInput() const
{
    StatusInput in;
    const CPgnGame& game = *m_state.game;
    in.tags.white = game.getTag("White");
    in.tags.black = game.getTag("Black");
    in.tags.result = game.getTag("Result");
    in.tags.date = game.getTag("Date");
    in.tags.event = game.getTag("Event");
    in.tags.whiteElo = game.getTag("WhiteElo");
    in.tags.blackElo = game.getTag("BlackElo");
    in.currentNode = m_state.currentNode;
    in.whiteToMove = m_state.board.sideToMove() == kWhiteSide;
    in.engineBusy = m_engine.isBusy();
    in.ponderActive = m_engine.isPondering();
    in.ponderResultReady = m_state.ponderResultReady;
    in.analysisMode = m_state.analysisMode;
    in.showLevelLine = m_state.showLevelLine;
    in.trainingMode = m_state.trainingMode;
    in.ponderMove = m_state.ponderMove;
    if (Move predicted = m_state.ponderMove; predicted != NoMove) {
        // The SAN writer plays the move on the board, so it gets a copy, and only a move that
        // is legal there.
        Board board = m_state.board;
        Move legal = board.findMove(
            predicted.from, predicted.to, predicted.isPromotion() ? predicted.piece : kEmpty);
        if (legal != NoMove)
            in.ponderSan = writeSan(board, legal, true);
    }
    in.levelLine = levelText(m_level);
    in.helpSearchText = m_state.helpSearchText;
    in.showMainline = m_options.mainLine;
    in.scoreAlwaysForWhite = m_options.scoreWhite;
    in.layout = m_options.boardSize;
    in.serverConnected = m_state.serverConnected;
    in.serverPlayOrObserve = m_state.serverGameMode || m_state.observeMode;
    if (m_host) {
        in.info = m_host->output().snapshot();
        in.nodesPerSecond = m_host->output().nodesPerSecond();
    }
    return in;
}

} // namespace velmorak
