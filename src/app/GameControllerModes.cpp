// The game controller's modes: new game, analysis, automatic replay and the server modes.
#include <cstdio>

#include "app/GameController.h"

namespace velmorak {

namespace {

constexpr std::string_view kClearHashtablesRefusal =
    "Can\u00b4t clear hashtables while engine is running";

std::string logText(const char* format, int a, int b = 0)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

} // namespace

void GameController::setEmptyGame()
{
    m_view.endAnimation();
    m_state.game = std::make_unique<CPgnGame>();
    // An empty game holds nothing worth asking about.
    m_state.game->setChanged(false);
    m_state.currentNode = m_state.game->root();
    m_state.board.setStartPosition();
    m_view.clearSelection();
    m_state.whiteTimeUsed = 0;
    m_state.blackTimeUsed = 0;
    m_state.plyNumber = 1;
    m_state.coachLastScore = kNoCoachScore;
    m_state.coachLastNode = nullptr;
    m_state.analysisMode = false;
    m_state.hintSearchActive = false;
    m_state.autoReplay = false;
    m_state.replayEngineFinish = false;
    m_state.playEngineResult = true;
    m_state.ponderMove = NoMove;
    m_state.lastMove = NoMove;
    m_state.moveStartTick = 0;
    m_state.showLevelLine = true;
    m_dgtClock.white.clear();
    m_dgtClock.black.clear();
    m_state.bookMissCount = 0;
    m_state.trainingMode = false;
    m_state.observeMode = false;
    m_state.serverGameMode = false;
    m_state.serverGameNumber = -1;
    forgetPonder();
}

void GameController::newGame(bool ask)
{
    if (!guardNewGame())
        return;
    if (m_state.trainingMode)
        setTraining(false);
    if (m_state.observeMode)
        SetObserveMode(false, -1);
    if (ask && m_state.game->changed() && !m_state.dgtConnected &&
        !askOkCancel("Velmorak", "Do you really want a new game?"))
        return;
    stopReplayAndAnalysis();
    setAnalysisMode(false);
    stopEngine(false);
    autosaveGame();
    setEmptyGame();
    clearEngineOutput();
    if (engineLoaded() && m_engine.isRunning())
        m_engine.functions().clearHashtables();
    m_view.redrawBoard();
    m_view.positionChanged(m_state.board);
    m_view.setCommandEnabled(ControllerCommand::TakeBack, false);
    m_view.setCommandEnabled(ControllerCommand::NextMove, false);
    m_view.setCommandChecked(ControllerCommand::Analysis, false);
    m_view.setCommandChecked(ControllerCommand::Replay, false);
}

bool GameController::prepareGameChange()
{
    if (m_state.serverGameMode) {
        message("Please finish running server-game first");
        return false;
    }
    if (m_state.observeMode)
        SetObserveMode(false, -1);
    return true;
}

bool GameController::clearHashTables()
{
    if (m_engine.isBusy()) {
        message(kClearHashtablesRefusal, MessageIcon::Exclamation);
        return false;
    }
    if (!engineLoaded() || !m_engine.isRunning())
        return false;
    m_engine.functions().clearHashtables();
    return true;
}

void GameController::toggleAnalysis()
{
    if (!guardAnalysis())
        return;
    if (m_engine.isPondering()) {
        stopEngine(false);
        forgetPonder();
        m_state.ponderMove = NoMove;
    }
    m_state.showLevelLine = false;
    m_state.playEngineResult = false;
    m_state.analysisMode = !m_state.analysisMode;
    m_view.setCommandChecked(ControllerCommand::Analysis, m_state.analysisMode);
    if (m_state.analysisMode) {
        if (!acceptAnalysisStep())
            m_state.showLevelLine = true;
        else
            startSearch();
    } else {
        stopEngine(false);
        m_state.playEngineResult = true;
        if (!m_state.observeMode && !m_state.serverGameMode)
            m_state.moveStartTick = 0;
        if (!m_state.currentNode->parent())
            m_state.showLevelLine = true;
    }
    m_view.invalidateStatus();
}

void GameController::setAnalysisMode(bool on)
{
    if (m_state.analysisMode == on)
        return;
    if (!on && m_state.replayEngineFinish) {
        // The engine was finishing a replayed game: that replay ends with the analysis.
        m_state.replayEngineFinish = false;
        m_state.autoReplay = false;
        m_clock.killTimer(kReplayTimer);
        m_view.setCommandChecked(ControllerCommand::Replay, false);
    }
    m_state.analysisMode = on;
    m_view.setCommandChecked(ControllerCommand::Analysis, on);
    if (on) {
        m_state.showLevelLine = false;
        m_state.lastStepTick = now();
        startSearch();
    } else {
        stopEngine(false);
        m_state.playEngineResult = true;
        if (!m_state.observeMode && !m_state.serverGameMode)
            m_state.moveStartTick = 0;
        m_state.showLevelLine = !m_state.currentNode->parent();
    }
    m_view.invalidateStatus();
}

int GameController::replayPeriodMs() const
{
    return (m_options.replaySeconds + 1) * 250;
}

void GameController::startReplay()
{
    if (m_state.autoReplay) {
        stopReplayAndAnalysis();
        return;
    }
    if (!guardReplay())
        return;
    int firstDelay = 500;
    if (m_state.currentNode->childCount() == 0) {
        if (!askYesNo("Replay",
                "Last position of game, would you like to let the engine finish the game?",
                MessageIcon::Question, true))
            return;
        m_state.replayEngineFinish = true;
        if (!m_state.analysisMode) {
            std::weak_ptr<GameController*> alive = m_alive;
            m_ui.post([alive] {
                if (auto controller = alive.lock())
                    (*controller)->setAnalysisMode(true);
            });
        }
        firstDelay = m_options.replaySeconds * 250 + 500;
    }
    m_state.autoReplay = true;
    armTimer(kReplayTimer, firstDelay, true);
    m_view.setCommandChecked(ControllerCommand::Replay, true);
}

void GameController::replayStep()
{
    if (!m_state.autoReplay) {
        m_clock.killTimer(kReplayTimer);
        return;
    }
    // Not under an animation or an open box; the timer comes again.
    if (m_view.isAnimating() || m_state.modalMessageOpen > 0)
        return;
    m_clock.killTimer(kReplayTimer);
    forwardMove();
}

void GameController::stopReplayAndAnalysis()
{
    if (m_state.replayEngineFinish) {
        stopEngine(false);
        m_state.replayEngineFinish = false;
        setAnalysisMode(false);
    }
    if (m_state.autoReplay) {
        m_state.autoReplay = false;
        m_clock.killTimer(kReplayTimer);
        m_view.setCommandChecked(ControllerCommand::Replay, false);
    }
}

void GameController::SetServerGameMode(bool on, int gameNumber)
{
    if (on == m_state.serverGameMode && gameNumber == m_state.serverGameNumber)
        return;
    m_state.serverGameMode = on;
    m_state.serverGameNumber = gameNumber;
    if (m_server)
        m_server->log(logText("SetServerGameMode(%d)", on ? 1 : 0));
}

void GameController::SetObserveMode(bool on, int gameNumber)
{
    if (!on && m_state.observeMode && m_server) {
        m_server->sendUnobserve();
        m_server->log(logText("SetObserveMode(%d)", m_state.serverGameNumber));
    }
    m_state.observeMode = on;
    m_state.serverGameNumber = gameNumber;
    if (m_server)
        m_server->log(logText("SetObserveMode(%d, %d)", on ? 1 : 0, gameNumber));
}

} // namespace velmorak
