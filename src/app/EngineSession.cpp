#include "app/EngineSession.h"

#include <algorithm>
#include <vector>

#include "engine/BookSettings.h"
#include "engine/HashSize.h"
#include "rules/CoordinateNotation.h"

namespace velmorak {

namespace {

constexpr std::string_view kNoEngine = "No engine loaded. Can\xC2\xB4t start search";
// How long one turn of the event pump may wait while a help search runs.
constexpr std::chrono::milliseconds kHelpPumpSlice { 50 };

// The moves from the root to `node`, in game order.
std::vector<const CGameNode*> pathFromRoot(const CGameNode* node)
{
    std::vector<const CGameNode*> path;
    for (; node && node->parent(); node = node->parent())
        path.push_back(node);
    std::reverse(path.begin(), path.end());
    return path;
}

} // namespace

EngineSession::EngineSession(Services services, Client& client)
    : m_state(services.state)
    , m_view(services.view)
    , m_ui(services.ui)
    , m_pump(services.pump)
    , m_clock(services.clock)
    , m_store(services.store)
    , m_options(services.options)
    , m_availableMemoryKb(std::move(services.availableMemoryKb))
    , m_client(client)
    , m_driver(services.clock,
          [this](SearchEnded ended) {
              // Runs on the engine thread: only hand the result on.
              std::weak_ptr<EngineSession*> alive = m_alive;
              m_ui.post([alive, ended = std::move(ended)] {
                  if (auto session = alive.lock())
                      (*session)->searchEnded(ended);
              });
          })
    , m_alive(std::make_shared<EngineSession*>(this))
{
}

EngineSession::~EngineSession()
{
    if (m_host)
        m_host->setBeforeUnload({});
    m_clock.killTimer(kEngineResultTimer);
    m_driver.endThread();
    m_alive.reset();
}

void EngineSession::setHost(EnginePluginHost* host)
{
    endThread();
    if (m_host)
        m_host->setBeforeUnload({});
    m_host = host;
    if (m_host)
        m_host->setBeforeUnload([this] { endThread(); });
}

void EngineSession::noEngineMessage()
{
    m_client.showMessage(kNoEngine, MessageIcon::Stop);
}

bool EngineSession::startThread()
{
    if (!isLoaded())
        return false;
    std::int64_t chosen = m_options.hashTableSize;
    std::int64_t size = chosen;
    if (m_availableMemoryKb)
        if (std::optional<std::int64_t> available = m_availableMemoryKb())
            size = engineHashSizeKb(chosen, *available / 2);
    // A lowered size stays lowered: it is what later starts compare with.
    if (size < chosen)
        m_options.hashTableSize = int(size);
    Status started =
        m_driver.startThread(m_host->functions(), m_host->callbacks(), m_host->output(), int(size));
    if (!started) {
        m_client.showMessage(started.error().message, MessageIcon::Stop);
        return false;
    }
    return true;
}

void EngineSession::endThread()
{
    // The engine thread never waits for the interface, so ending it cannot deadlock; an
    // animation is ended anyway so that nothing stays half drawn.
    m_view.endAnimation();
    stop(false);
    m_driver.endThread();
}

void EngineSession::restartForHashSize()
{
    if (m_driver.isRunning() && m_options.hashTableSize == m_driver.hashSizeInUse())
        return;
    endThread();
    startThread();
}

bool EngineSession::isSearchingForMove() const
{
    return m_driver.isBusy() && !m_driver.isPondering() && !m_state.analysisMode &&
        !m_state.hintSearchActive;
}

bool EngineSession::isMoveDue() const
{
    return m_pendingResult.has_value() ||
        (m_searchId != 0 && m_searchKind == SearchKind::Move && m_state.playEngineResult &&
            !m_state.analysisMode);
}

SearchInfo EngineSession::snapshot() const
{
    return m_host ? m_host->output().snapshot() : SearchInfo {};
}

Move EngineSession::expectedReply(const Board& board) const
{
    Board copy = board;
    return m_host ? m_host->output().expectedReply(copy) : NoMove;
}

std::string EngineSession::failureReason() const
{
    return m_host ? m_host->engineError() : std::string();
}

void EngineSession::clearOutput()
{
    if (m_host)
        m_host->output().clear();
    m_view.invalidateStatus();
}

void EngineSession::clearHashtables()
{
    if (isLoaded() && m_driver.isRunning())
        m_driver.functions().clearHashtables();
}

void EngineSession::forgetPonder()
{
    m_state.ponderResultReady = false;
    m_ponderResult.reset();
    m_playPonderResultOnArrival = false;
}

void EngineSession::stop(bool playResult)
{
    if (!playResult) {
        // Give the search up first: whatever it reports now is never played.
        m_state.playEngineResult = false;
        m_searchId = 0;
        m_pendingResult.reset();
        m_clock.killTimer(kEngineResultTimer);
    }
    if (playResult) {
        // Its move comes as the search's end, posted like any other: the interface does not
        // wait for an engine slow to stop (the plug-in bounds that).
        m_driver.stop(false, std::chrono::milliseconds(0));
        return;
    }
    m_driver.stop(true);
}

void EngineSession::prepare()
{
    clearOutput();
    const EnginePluginFunctions& f = m_driver.functions();
    EngineOutput& output = m_host->output();
    const std::string& tag = m_state.game->getTag("FEN");
    std::string fen = tag.empty() ? std::string(kStartFen) : tag;
    f.setPosition(fen.c_str());
    output.setShadowPosition(fen);
    for (const CGameNode* node : pathFromRoot(m_state.currentNode)) {
        std::string coordinates = writeCoordinates(node->move());
        f.enterMove(coordinates.c_str());
        output.enterShadowMove(coordinates);
    }
    if (m_state.analysisMode) {
        f.setBook("", 0);
    } else {
        std::string book = bookPath(m_store, kEngineBookFileSetting);
        f.setBook(book.c_str(), m_options.bookMode);
    }
}

void EngineSession::sendLevel(const SearchLevelInputs& inputs, const LevelRecord& record)
{
    LevelCommands level = searchLevel(record, inputs);
    const EnginePluginFunctions& f = m_driver.functions();
    if (level.sendTimeControl)
        f.setTimeControl(level.timeControlMoves, level.timeControlSeconds);
    f.setLevel(level.movesToGo, level.secondsLeft, level.increment, level.maxDepth);
}

void EngineSession::startSearch(const SearchLevelInputs& level, const LevelRecord& record)
{
    if (!isLoaded()) {
        noEngineMessage();
        return;
    }
    if (m_driver.isBusy()) {
        if (!m_driver.isPondering())
            return;
        stop(false);
    }
    // Whatever was pondered, finished or not, belongs to another position now.
    forgetPonder();
    m_state.ponderMove = NoMove;
    // A new hash size takes effect here, on this thread, never from inside a search.
    restartForHashSize();
    if (!m_driver.isRunning())
        return;
    prepare();
    sendLevel(level, record);

    SearchCommand command;
    command.kind = m_state.analysisMode ? SearchKind::Analysis : SearchKind::Move;
    command.askBook =
        m_options.guiBook && !m_state.analysisMode && m_state.bookMissCount < kMaxBookMisses;
    if (command.askBook) {
        command.bookPath = bookPath(m_store, kBookFileSetting);
        command.bookMode = BookMode(m_options.bookMode);
        command.bookPosition = m_state.board;
    }
    m_state.playEngineResult = true;
    m_searchKind = command.kind;
    m_searchId = m_driver.start(command);
    m_view.invalidateStatus();
}

void EngineSession::startPonder(
    Move predicted, const SearchLevelInputs& level, const LevelRecord& record)
{
    if (!isLoaded()) {
        noEngineMessage();
        return;
    }
    if (m_driver.isBusy())
        stop(false);
    forgetPonder();
    if (!m_driver.isRunning())
        return;
    prepare();
    std::string coordinates = writeCoordinates(predicted);
    m_driver.functions().enterMove(coordinates.c_str());
    m_host->output().enterShadowMove(coordinates);
    sendLevel(level, record);
    m_state.ponderMove = predicted;
    SearchCommand command;
    command.kind = SearchKind::Ponder;
    m_state.playEngineResult = true;
    m_searchKind = SearchKind::Ponder;
    m_searchId = m_driver.start(command);
}

bool EngineSession::answerFromPonder(Move move)
{
    if (m_state.ponderMove == NoMove || move != m_state.ponderMove)
        return false;
    if (m_driver.ponderHit()) {
        // The ponder search goes on as the real one; its time counts from now.
        m_state.ponderMove = NoMove;
        m_searchKind = SearchKind::Move;
    } else if (m_ponderResult) {
        // Its thinking happened in the user's time: the engine is charged nothing.
        SearchInfo info = m_ponderResult->info;
        m_client.ponderedMoveFound(info);
    } else if (m_searchId != 0 && m_searchKind == SearchKind::Ponder) {
        // Ended by itself a moment ago: its result is on its way to this thread.
        m_playPonderResultOnArrival = true;
    } else {
        return false;
    }
    return true;
}

void EngineSession::ponderHit()
{
    if (m_driver.ponderHit()) {
        m_state.ponderMove = NoMove;
        m_searchKind = SearchKind::Move;
    }
}

void EngineSession::searchEnded(const SearchEnded& ended)
{
    if (ended.id != 0 && ended.id == m_helpSearchId) {
        m_helpSearchEnded = true;
        return;
    }
    if (ended.id == 0 || ended.id != m_searchId)
        return;
    if (ended.bookAsked && !ended.neverStarted)
        m_state.bookMissCount = ended.bookHit ? 0 : m_state.bookMissCount + 1;
    if (ended.ponderEndedByItself) {
        m_state.ponderResultReady = true;
        m_ponderResult = ended;
        if (m_playPonderResultOnArrival) {
            m_playPonderResultOnArrival = false;
            SearchInfo info = ended.info;
            m_client.ponderedMoveFound(info);
        }
        return;
    }
    m_searchId = 0;
    bool wanted = !ended.neverStarted && ended.kind == SearchKind::Move && !m_state.analysisMode &&
        !m_state.hintSearchActive && m_state.playEngineResult;
    if (!wanted) {
        m_state.playEngineResult = true;
        return;
    }
    m_pendingResult = ended;
    // The time counts from the search's start, or from the ponder hit that made it real.
    m_pendingThinkingMs =
        std::max<std::int64_t>(0, ended.endTick - m_driver.searchStartTick.load());
    playPendingResult();
}

void EngineSession::armResultTimer()
{
    startPostedTimer(m_clock, m_ui, std::weak_ptr(m_alive), kEngineResultTimer,
        kEngineResultRetryMs, false, [](EngineSession& session) { session.resultTimer(); });
}

void EngineSession::playPendingResult()
{
    if (!m_pendingResult)
        return;
    // Not under an animation or an open box: look again shortly.
    if (m_view.isAnimating() || m_state.modalMessageOpen > 0) {
        armResultTimer();
        return;
    }
    SearchEnded ended = std::move(*m_pendingResult);
    m_pendingResult.reset();
    m_state.playEngineResult = true;
    if (m_state.analysisMode || m_state.hintSearchActive)
        return;
    m_client.engineMoveFound(ended, m_pendingThinkingMs);
}

bool EngineSession::readyForHelp()
{
    if (!isLoaded()) {
        noEngineMessage();
        return false;
    }
    restartForHashSize();
    return m_driver.isRunning();
}

std::optional<SearchInfo> EngineSession::runHelpSearch(
    const std::string& searchingText, const std::string* threatFen)
{
    if (!readyForHelp())
        return std::nullopt;
    const EnginePluginFunctions& f = m_driver.functions();
    if (threatFen) {
        clearOutput();
        f.setPosition(threatFen->c_str());
        f.setBook("", 0);
        m_host->output().setShadowPosition(*threatFen);
    } else {
        prepare();
    }
    // After the position: a plug-in takes a new position as a new game, level included.
    f.setLevel(1, 5, 0, 99);

    m_state.hintSearchActive = true;
    m_state.helpSearchText = searchingText;
    m_view.invalidateStatus();
    m_view.redrawBoard();
    SearchCommand command;
    command.kind = SearchKind::Hint;
    m_helpSearchEnded = false;
    m_helpSearchId = m_driver.start(command);
    {
        // The window goes on painting and its clocks run; what would change the game waits
        // as under a message box.
        ++m_state.modalMessageOpen;
        std::int64_t deadline = m_clock.ticks() + kHelpSearchWait.count();
        // The thread may end meanwhile (the program is told to exit): nothing is left to wait
        // for then.
        while (!m_helpSearchEnded && m_driver.isRunning() && m_clock.ticks() < deadline)
            m_pump.runFor(kHelpPumpSlice);
        --m_state.modalMessageOpen;
    }
    if (!m_helpSearchEnded)
        m_driver.stop(false);
    m_helpSearchId = 0;
    SearchInfo info = m_host->output().snapshot();
    if (!m_driver.isBusy())
        clearOutput();
    m_state.hintSearchActive = false;
    m_state.helpSearchText.clear();
    m_view.invalidateStatus();
    return info;
}

} // namespace velmorak
