#include "app/DgtBoardLink.h"

#include "app/GameController.h"
#include "app/UiThread.h"
#include "record/CGameNode.h"

namespace velmorak {

namespace {

// Changes judged later than this many behind are dropped; the board is compared once more
// when the box closes, so only the order of what was lost is lost.
constexpr std::size_t kMaxWaitingEvents = 256;
constexpr int kBusyRetryMs = 3000;
constexpr int kBusyStepMs = 250;

std::vector<Square> differingSquares(const BoardSquares& board, const BoardSquares& shown)
{
    std::vector<Square> squares;
    for (int square = 0; square < 0x78; ++square)
        if (isOnBoard(square) && board[square] != shown[square])
            squares.push_back(static_cast<Square>(square));
    return squares;
}

} // namespace

DgtBoardLink::DgtBoardLink(
    GameController& controller, DgtDriver& driver, Clock& clock, UiThread& ui, DgtLinkView& view)
    : m_controller(controller)
    , m_driver(driver)
    , m_clock(clock)
    , m_ui(ui)
    , m_view(view)
    , m_alive(std::make_shared<DgtBoardLink*>(this))
{
}

DgtBoardLink::~DgtBoardLink()
{
    m_alive.reset();
    m_clock.killTimer(kDgtPollTimer);
    if (m_connected) {
        m_driver.disconnectBoard();
        m_controller.setDgtConnected(false);
    }
}

bool DgtBoardLink::connect(const std::string& path)
{
    disconnect();
    Status opened = m_driver.connectBoard(path);
    // A device that has just appeared is often held for a moment by a program probing every
    // new modem: a busy line is tried again for a few seconds before the user is told.
    for (int waited = 0;
         !opened && opened.error().kind == ErrorKind::Conflict && waited < kBusyRetryMs;
         waited += kBusyStepMs) {
        m_clock.sleep(kBusyStepMs);
        opened = m_driver.connectBoard(path);
    }
    if (!opened) {
        // The message says what the notices would: one box, not two.
        m_driver.takeNotices();
        GameController::ModalDialogScope box(m_controller);
        m_controller.prompts().showMessage(
            kProgramTitle, opened.error().message, MessageIcon::Information);
        return false;
    }
    setConnected(true);
    armTimer();
    return true;
}

void DgtBoardLink::disconnect()
{
    m_clock.killTimer(kDgtPollTimer);
    m_waiting.clear();
    if (!m_connected)
        return;
    m_driver.disconnectBoard();
    setConnected(false);
    if (!m_disagreement.empty()) {
        m_disagreement.clear();
        m_view.boardDisagrees(m_disagreement);
    }
}

void DgtBoardLink::setConnected(bool connected)
{
    m_connected = connected;
    m_controller.setDgtConnected(connected);
    m_agreedPly.reset();
    m_view.connectionChanged(connected, {});
}

void DgtBoardLink::armTimer()
{
    startPostedTimer(m_clock, m_ui, std::weak_ptr(m_alive), kDgtPollTimer, DgtDriver::kPollPeriodMs,
        false, [](DgtBoardLink& link) {
            link.poll();
            if (link.m_connected)
                link.armTimer();
        });
}

void DgtBoardLink::setSetupFollower(DgtSetupFollower* follower)
{
    m_setup = follower;
    // What came before the editor opened belongs to the game, what comes while it is open
    // to the editor; the editor starts from the board as it stands.
    if (m_setup && m_driver.boardValid())
        m_setup->boardShows(dgtImageToSquares(m_driver.board()));
}

void DgtBoardLink::turnBoard()
{
    m_driver.turnBoard();
    m_agreedPly.reset();
    if (m_driver.boardValid())
        judgeBoard(m_driver.board());
}

void DgtBoardLink::poll()
{
    if (!m_connected)
        return;
    if (m_polling) {
        // A box opened by the judging of a change runs the timers: read the line so that
        // nothing is lost, and leave the events for the outer poll.
        m_driver.pollBoard();
        for (DgtEvent& event : m_driver.takeEvents())
            m_waiting.push_back(std::move(event));
        return;
    }
    m_polling = true;
    m_driver.pollBoard();
    for (DgtEvent& event : m_driver.takeEvents()) {
        if (m_waiting.size() >= kMaxWaitingEvents)
            m_waiting.pop_front();
        m_waiting.push_back(std::move(event));
    }
    showNotices();
    while (!m_waiting.empty() && m_connected) {
        // A box or dialog of the program holds the game: changes wait until it closes.
        // The set-up editor is the exception: it is what the board feeds.
        if (!m_setup && m_controller.dialogOpen())
            break;
        DgtEvent event = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_view.dgtEvent(event);
        dispatch(event);
    }
    if (m_connected && !m_setup && !m_controller.dialogOpen() && m_waiting.empty()) {
        followClock();
        compareWithGame();
    }
    m_polling = false;
}

void DgtBoardLink::showNotices()
{
    for (const DgtNotice& notice : m_driver.takeNotices()) {
        switch (notice.kind) {
        case DgtNotice::Kind::PortError: {
            GameController::ModalDialogScope box(m_controller);
            m_controller.prompts().showMessage(
                kProgramTitle, notice.text, MessageIcon::Exclamation);
            break;
        }
        case DgtNotice::Kind::Unplugged:
            m_agreedPly.reset();
            m_view.connectionChanged(false, notice.text);
            break;
        case DgtNotice::Kind::Reconnected:
            m_view.connectionChanged(true, notice.text);
            break;
        case DgtNotice::Kind::Overflow:
            m_view.dgtLog(notice.text);
            break;
        }
    }
}

void DgtBoardLink::dispatch(const DgtEvent& event)
{
    if (m_setup) {
        if (event.code == DgtEventCode::BoardPositionChanged)
            m_setup->boardShows(dgtImageToSquares(event.board));
        else if (event.code == DgtEventCode::NewPositionWhiteToMove)
            m_setup->sideSetOnBoard(kWhiteSide);
        else if (event.code == DgtEventCode::NewPositionBlackToMove)
            m_setup->sideSetOnBoard(kBlackSide);
        return;
    }
    const ControllerState& state = m_controller.state();
    switch (event.code) {
    case DgtEventCode::BoardPositionChanged:
        judgeBoard(event.board);
        break;
    case DgtEventCode::StartingPosition:
        if (!startPositionBlocked())
            m_controller.newGame(false);
        break;
    case DgtEventCode::WhiteMoveNow:
    case DgtEventCode::BlackMoveNow: {
        const std::uint8_t side =
            event.code == DgtEventCode::WhiteMoveNow ? kWhiteSide : kBlackSide;
        if (!state.analysisMode && m_controller.board().sideToMove() == side)
            m_controller.moveNow();
        break;
    }
    case DgtEventCode::SetupEntered:
        m_view.setupRequested();
        break;
    default:
        break;
    }
}

bool DgtBoardLink::startPositionBlocked() const
{
    // A server decides when its games start and end; training and an automatic replay own
    // the board until the user ends them.
    const ControllerState& state = m_controller.state();
    return state.serverGameMode || state.observeMode || state.trainingMode || state.autoReplay;
}

void DgtBoardLink::judgeBoard(const DgtBoardImage& image)
{
    const BoardSquares shown = dgtImageToSquares(image);
    Board position = m_controller.board();
    if (position.squaresEqual(shown)) {
        compareWithGame();
        return;
    }
    const ControllerState& state = m_controller.state();
    Move move = position.moveReachingSquares(shown);
    const bool usersTurn = !state.serverGameMode || !m_controller.serverLink() ||
        m_controller.serverLink()->isUsersSide(position.sideToMove());
    if (move != NoMove && usersTurn) {
        if (m_controller.userMove(move, true) && m_controller.currentNode())
            m_view.boardMoveEntered(*m_controller.currentNode());
    } else if (int back = position.compareWithHistory(shown); back > 0 && move == NoMove) {
        // Only a board that had reached a later position of this line takes moves back.
        const int ply = state.plyNumber;
        if (m_agreedPly && m_agreedGame == state.gameSerial && *m_agreedPly > ply - back &&
            !state.serverGameMode && !state.observeMode)
            takeBackTo(back);
    }
    compareWithGame();
}

void DgtBoardLink::takeBackTo(int plies)
{
    for (int i = 0; i < plies; ++i) {
        const CGameNode* before = m_controller.currentNode();
        m_controller.takeBackMove(false);
        if (m_controller.currentNode() == before)
            return;
    }
}

void DgtBoardLink::compareWithGame()
{
    if (!m_driver.boardValid())
        return;
    const BoardSquares shown = dgtImageToSquares(m_driver.board());
    std::vector<Square> differing = differingSquares(m_controller.board().squares(), shown);
    if (differing.empty()) {
        m_agreedGame = m_controller.state().gameSerial;
        m_agreedPly = m_controller.state().plyNumber;
    }
    if (differing != m_disagreement) {
        m_disagreement = std::move(differing);
        m_view.boardDisagrees(m_disagreement);
    }
}

void DgtBoardLink::followClock()
{
    DgtClockTexts texts;
    texts.white = m_driver.whiteClockText();
    texts.black = m_driver.blackClockText();
    if (texts.white.empty() && texts.black.empty())
        return;
    const DgtClockTexts& kept = m_controller.dgtClockTexts();
    if (texts.white != kept.white || texts.black != kept.black) {
        // A new game forgot the texts: the last ones stand until the clock tells again.
        if (kept.white.empty() && kept.black.empty() && !m_clockShown.white.empty())
            m_driver.requestClock();
        m_controller.setDgtClockTexts(texts);
    }
    if (texts.white != m_clockShown.white || texts.black != m_clockShown.black) {
        m_clockShown = texts;
        m_view.clockTextsChanged(texts);
    }
}

} // namespace velmorak
