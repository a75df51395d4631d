// The game controller's navigation: take back, forward, branch points, jumps to a node and
// making a loaded game current.
#include <algorithm>
#include <vector>

#include "app/GameController.h"
#include "record/GameTreeEditing.h"

namespace velmorak {

namespace {

constexpr std::string_view kNoTakeback = "Takeback not possible while observing.";

} // namespace

void GameController::addTime(bool black, std::int64_t ms)
{
    std::int64_t& used = black ? m_state.blackTimeUsed : m_state.whiteTimeUsed;
    // Times taken back may exceed what is left (a game edited elsewhere): never below 0.
    used = std::max<std::int64_t>(0, used + ms);
}

bool GameController::acceptAnalysisStep()
{
    std::int64_t tick = now();
    if (m_state.lastStepTick != 0 && tick - m_state.lastStepTick < kAnalysisStepMs)
        return false;
    m_state.lastStepTick = tick;
    return true;
}

void GameController::updateNavigationCommands()
{
    CGameNode* node = m_state.currentNode;
    m_view.setCommandEnabled(ControllerCommand::TakeBack, node->parent() != nullptr);
    m_view.setCommandEnabled(ControllerCommand::NextMove, node->childCount() > 0);
}

void GameController::unmakeOne()
{
    CGameNode* node = m_state.currentNode;
    m_state.board.unmakeMove();
    if (m_state.bookMissCount > 0)
        --m_state.bookMissCount;
    addTime(node->isBlackMove(), -node->time());
    m_state.currentNode = node->parent();
    --m_state.plyNumber;
}

void GameController::afterTakeBack(bool animate, Move takenBack, int plies)
{
    CGameNode* node = m_state.currentNode;
    if (!node->parent()) {
        m_view.setCommandEnabled(ControllerCommand::TakeBack, false);
        m_state.lastMove = NoMove;
        m_state.showLevelLine = !m_state.analysisMode;
    } else {
        m_state.lastMove = node->move();
        m_state.showLevelLine = false;
    }
    if (plies == 1)
        m_view.drawTakeBack(takenBack, animate);
    else
        m_view.redrawBoard();
    m_view.positionChanged(m_state.board);
    clearEngineOutput();
    m_state.moveStartTick = 0;
    m_view.setCommandEnabled(ControllerCommand::NextMove, true);
    forgetPonder();
    m_state.ponderMove = NoMove;
    if (m_state.analysisMode)
        restartAnalysis();
}

void GameController::takeBackMove(bool animate)
{
    if (m_state.analysisMode && !acceptAnalysisStep())
        return;
    if (m_state.serverGameMode) {
        // Only a request: the game changes when the server answers.
        if (m_server)
            m_server->requestTakeback();
        return;
    }
    if (!guardTakeBack(false))
        return;
    stopEngine(false);
    if (m_state.autoReplay)
        stopReplayAndAnalysis();
    CGameNode* node = m_state.currentNode;
    if (!node->parent())
        return;
    Move takenBack = node->move();
    unmakeOne();
    afterTakeBack(animate, takenBack, 1);
}

void GameController::takeBackPlies(int count)
{
    if (m_state.analysisMode && !acceptAnalysisStep())
        return;
    if (!guardTakeBack(false))
        return;
    if (m_state.autoReplay)
        stopReplayAndAnalysis();
    stopEngine(false);
    int plies = 0;
    while (plies < count && m_state.currentNode->parent()) {
        unmakeOne();
        ++plies;
    }
    if (plies > 0)
        afterTakeBack(false, NoMove, plies);
}

void GameController::takeBackToNode(const CGameNode* node)
{
    int plies = 0;
    const CGameNode* at = m_state.currentNode;
    for (; at && at != node; at = at->parent())
        ++plies;
    if (at && plies > 0)
        takeBackPlies(plies);
}

void GameController::backToBranchPoint()
{
    if (m_state.serverGameMode || m_state.observeMode) {
        message(kNoTakeback);
        return;
    }
    int steps = fastBackSteps(*m_state.currentNode);
    if (steps > 0)
        takeBackPlies(steps);
}

void GameController::makeForward(CGameNode* child)
{
    Board before = m_state.board;
    m_state.board.makeMove(child->move());
    m_state.currentNode = child;
    m_state.lastMove = child->move();
    ++m_state.plyNumber;
    m_state.showLevelLine = false;
    addTime(child->isBlackMove(), child->time());
    bool stepping = m_state.trainingMode || m_state.autoReplay || m_state.observeMode;
    if (stepping && AnnounceMode(m_options.announceMode) == AnnounceMode::All)
        m_sounds.AnnounceMove(child->move(), before, child->san());
}

void GameController::afterForward(int plies)
{
    bool stepping = m_state.trainingMode || m_state.autoReplay || m_state.observeMode;
    if (plies == 1)
        // In a training the step forward is the reply to the user's move.
        m_view.drawMove(m_state.lastMove, true, stepping && m_options.sound, m_state.trainingMode);
    else
        m_view.redrawBoard();
    m_view.positionChanged(m_state.board);
    clearEngineOutput();
    if (!m_state.trainingMode)
        m_state.moveStartTick = 0;
    updateNavigationCommands();
    forgetPonder();
    m_state.ponderMove = NoMove;
    if (m_state.analysisMode)
        restartAnalysis();
    if (m_state.autoReplay)
        armTimer(kReplayTimer, replayPeriodMs(), true);
}

void GameController::forwardMove()
{
    if (!guardForward())
        return;
    CGameNode* node = m_state.currentNode;
    if (node->childCount() == 0) {
        GameEndCode end = m_state.board.gameEnd();
        bool over = end == GameEndCode::Checkmate || end == GameEndCode::Stalemate;
        if (m_state.replayEngineFinish && !over) {
            // The engine, analysing, plays on for the side to move; the replay goes on.
            std::weak_ptr<GameController*> alive = m_alive;
            m_ui.post([alive] {
                if (auto controller = alive.lock())
                    (*controller)->moveNow();
            });
            if (m_state.autoReplay)
                armTimer(kReplayTimer, replayPeriodMs(), true);
        } else {
            stopReplayAndAnalysis();
        }
        return;
    }
    if (m_state.analysisMode && !acceptAnalysisStep())
        return;
    if (m_engine.isBusy())
        stopEngine(false);
    int index = 0;
    if (node->childCount() > 1 && !m_state.autoReplay && !m_state.trainingMode &&
        !m_state.observeMode) {
        ++m_state.modalMessageOpen;
        index = m_prompts.selectLine(*node);
        --m_state.modalMessageOpen;
        index = std::clamp(index, 0, node->childCount() - 1);
    }
    makeForward(node->child(index));
    afterForward(1);
}

void GameController::forwardPlies(int count)
{
    if (!guardForward())
        return;
    if (m_state.currentNode->childCount() == 0)
        return;
    if (m_state.analysisMode && !acceptAnalysisStep())
        return;
    stopEngine(false);
    int plies = 0;
    while (plies < count && m_state.currentNode->childCount() > 0) {
        makeForward(m_state.currentNode->child(0));
        ++plies;
    }
    afterForward(plies);
}

void GameController::forwardToBranchPoint()
{
    if (!guardForward())
        return;
    int steps = fastForwardSteps(*m_state.currentNode);
    if (steps > 0)
        forwardPlies(steps);
}

void GameController::setGame(std::unique_ptr<CPgnGame> game)
{
    stopEngine(false);
    clearEngineOutput();
    setAnalysisMode(false);
    m_state.game = std::move(game);
    m_state.currentNode = m_state.game->root();
    m_state.coachLastNode = nullptr;
    forgetPonder();
    m_state.ponderMove = NoMove;
    // A game from the start opens at its end; a set-up position at its start.
    CGameNode* target = m_state.game->getTag("FEN").empty() ? m_state.game->root()->endOfMainLine()
                                                            : m_state.game->root();
    m_state.showLevelLine = true;
    gotoNode(target);
}

void GameController::gotoNode(CGameNode* node)
{
    // The engine stops before the game changes under it.
    stopEngine(false);
    m_state.whiteTimeUsed = 0;
    m_state.blackTimeUsed = 0;
    std::vector<CGameNode*> path;
    for (CGameNode* n = node; n && n->parent(); n = n->parent())
        path.push_back(n);
    std::reverse(path.begin(), path.end());

    m_state.board.setFromFen(startFen());
    // One rule for the whole program: plies are counted from this game's start.
    m_state.plyNumber = m_state.board.sideToMove() == kBlackSide ? 2 : 1;
    for (CGameNode* step : path) {
        addTime(step->isBlackMove(), step->time());
        m_state.board.makeMove(step->move());
        ++m_state.plyNumber;
    }
    m_state.currentNode = node;
    m_state.lastMove = node->parent() ? node->move() : NoMove;
    updateNavigationCommands();
    m_view.clearSelection();
    m_state.coachLastScore = kNoCoachScore;
    clearEngineOutput();
    m_state.ponderResultReady = false;
    m_state.moveStartTick = 0;
    m_view.redrawBoard();
    m_view.positionChanged(m_state.board);
}

} // namespace velmorak
