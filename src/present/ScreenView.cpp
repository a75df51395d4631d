#include "present/ScreenView.h"

#include <utility>

#include "app/GameController.h"
#include "present/SpokenStatus.h"
#include "present/WindowChrome.h"
#include "record/CGameNode.h"
#include "rules/Board.h"

namespace velmorak {

ScreenView::ScreenView(WindowChrome& chrome, MoveSounds& sounds, const Clock& clock)
    : m_chrome(chrome)
    , m_sounds(sounds)
    , m_clock(clock)
{
}

ScreenView::~ScreenView() = default;

void ScreenView::attach(GameController& controller, BoardSurface& surface)
{
    m_controller = &controller;
    m_board = std::make_unique<BoardView>(controller.board(), surface, m_sounds, m_clock);
}

CommandState ScreenView::commandState() const
{
    CommandState state;
    state.canTakeBack = m_canTakeBack;
    state.canGoForward = m_canGoForward;
    if (!m_controller)
        return state;
    const ControllerState& s = m_controller->state();
    state.autoReplay = s.autoReplay;
    state.trainingMode = s.trainingMode;
    state.analysisMode = s.analysisMode;
    state.connected = s.serverConnected;
    state.dgtConnected = s.dgtConnected;
    if (state.connected) {
        state.serverGame = s.serverGameMode;
        state.loginName = m_loginName;
        state.connectionStalled = m_connectionStalled;
    }
    state.gameFile = s.gameFile;
    state.boardFlipped = m_board->flipped();
    state.layoutToggled = m_board->layout()[kToggleState] != 0;
    if (const EnginePluginHost* host = m_controller->engineHost(); host && host->isLoaded())
        state.engineName = host->engineName();
    return state;
}

void ScreenView::refreshCommands()
{
    if (!m_board)
        return;
    const CommandState state = commandState();
    // Every check mark and pressed button is set from the model after each command, so a
    // refused command never leaves a button flipped by its own click.
    for (const CommandEntry& entry : commandTable())
        m_chrome.showCommandState(
            entry.id, isCommandAvailable(entry.id, state), isCommandChecked(entry.id, state));
    m_chrome.setTitle(windowTitle(state));
    m_chrome.layoutButtonsChanged();
}

void ScreenView::setServerLogin(std::string loginName, bool stalled)
{
    m_loginName = std::move(loginName);
    m_connectionStalled = stalled;
    refreshCommands();
}

void ScreenView::flipBoard()
{
    if (!m_board)
        return;
    const FlipOutcome outcome = velmorak::flipBoard(m_board->flipped(), m_board->isAnimating());
    if (outcome.redrawWindow)
        keepFlip(outcome.flipped);
}

void ScreenView::keepFlip(bool flipped)
{
    m_board->setFlipped(flipped);
    m_controller->options().flipBoard = flipped;
    refreshCommands();
}

std::string ScreenView::boardDescription() const
{
    const CGameNode* node = m_controller->currentNode();
    std::string description = gameStateText(*m_controller);
    if (node && node->parent() && m_controller->state().lastMove != NoMove)
        description = "Last move " + node->label() + ". " + description;
    return description;
}

// --- ControllerView -----------------------------------------------------------------------

void ScreenView::drawMove(Move move, bool animate, bool withSound, bool highlight)
{
    if (m_board)
        m_board->drawMove(move, animate, withSound, highlight);
}

void ScreenView::drawTakeBack(Move move, bool animate)
{
    if (m_board)
        m_board->drawTakeBack(move, animate);
}

void ScreenView::redrawBoard()
{
    if (m_board)
        m_board->redrawBoard();
}

void ScreenView::positionChanged(const Board&)
{
    if (!m_board)
        return;
    m_board->positionChanged();
    m_chrome.positionChanged(boardDescription());
}

void ScreenView::setCommandEnabled(ControllerCommand command, bool enabled)
{
    if (command == ControllerCommand::TakeBack)
        m_canTakeBack = enabled;
    else if (command == ControllerCommand::NextMove)
        m_canGoForward = enabled;
    refreshCommands();
}

void ScreenView::invalidateStatus()
{
    if (m_board)
        m_chrome.statusChanged();
}

void ScreenView::invalidateMoveList()
{
    if (m_board)
        m_chrome.statusChanged();
}

void ScreenView::clearSelection()
{
    if (m_board)
        m_board->clearSelection();
}

bool ScreenView::isAnimating() const
{
    return m_board && m_board->isAnimating();
}

void ScreenView::endAnimation()
{
    if (m_board)
        m_board->endAnimation();
}

void ScreenView::showMoveThereAndBack(Move move, std::string_view, bool)
{
    if (m_board)
        m_board->showThereAndBack(move);
}

void ScreenView::setBoardFlipped(bool blackAtBottom)
{
    if (m_board && m_board->flipped() != blackAtBottom)
        keepFlip(blackAtBottom);
}

} // namespace velmorak
