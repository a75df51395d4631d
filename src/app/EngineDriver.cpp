#include "app/EngineDriver.h"

#include <system_error>

namespace velmorak {

EngineDriver::EngineDriver(const Clock& clock, EndedHandler ended)
    : m_clock(clock)
    , m_ended(std::move(ended))
{
}

EngineDriver::~EngineDriver()
{
    endThread();
}

Status EngineDriver::startThread(const EnginePluginFunctions& functions,
    const EngineCallbacks* callbacks, EngineOutput& output, int hashSizeKb)
{
    endThread();
    m_output = &output;
    m_functions = functions;
    m_callbacks = callbacks;
    m_hashSizeKb = hashSizeKb;
    m_started = false;
    m_exit = false;
    try {
        m_thread = std::thread([this, hashSizeKb] { run(hashSizeKb); });
    } catch (const std::system_error& error) {
        return Error { ErrorKind::ProcessFailed,
            "Can\xC2\xB4t start engine thread. Error #" + std::to_string(error.code().value()) };
    }
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_started; });
    return {};
}

void EngineDriver::endThread()
{
    // Never wait for a thread that was not created.
    if (!m_thread.joinable())
        return;
    stop();
    {
        std::lock_guard lock(m_mutex);
        m_exit = true;
    }
    m_wake.notify_all();
    m_thread.join();
    m_thread = std::thread();
    std::lock_guard lock(m_mutex);
    m_exit = false;
    m_started = false;
    m_pending.reset();
    engineBusy = 0;
    ponderActive = 0;
}

std::uint64_t EngineDriver::start(const SearchCommand& command)
{
    if (!m_thread.joinable())
        return 0;
    std::uint64_t id;
    {
        std::lock_guard lock(m_mutex);
        id = ++m_lastId;
        // Busy before the command is signalled: a command not yet taken is not idleness.
        engineBusy = 1;
        ponderActive = command.kind == SearchKind::Ponder ? 1 : 0;
        searchStartTick = m_clock.ticks();
        // One slot: a command still waiting is replaced by the newest one.
        m_pending = command;
        m_pendingId = id;
    }
    m_wake.notify_all();
    return id;
}

bool EngineDriver::stop(bool dropWaiting, std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    if (m_pending && dropWaiting) {
        // Dropped before it began: nothing was searched and nothing is reported.
        SearchEnded dropped;
        dropped.id = m_pendingId;
        dropped.kind = m_pending->kind;
        dropped.neverStarted = true;
        dropped.endTick = m_clock.ticks();
        m_pending.reset();
        if (!m_running) {
            engineBusy = 0;
            ponderActive = 0;
        }
        lock.unlock();
        m_ended(std::move(dropped));
        lock.lock();
    }
    if (!m_running && !m_pending)
        return true;
    lock.unlock();
    m_functions.stopAnalyse();
    lock.lock();
    return m_wake.wait_for(lock, limit, [this] { return !m_running && !m_pending; });
}

bool EngineDriver::ponderHit()
{
    std::unique_lock lock(m_mutex);
    // Whichever comes first, this exchange or the one at the search's end, decides.
    if (!ponderActive.exchange(0))
        return false;
    searchStartTick = m_clock.ticks();
    m_output->setSearchStartTick(searchStartTick);
    if (m_pending && m_pending->kind == SearchKind::Ponder) {
        // Not begun yet: it begins as the real search.
        m_pending->kind = SearchKind::Move;
        return true;
    }
    lock.unlock();
    m_functions.setPonderOff();
    return true;
}

bool EngineDriver::waitUntilIdle(std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_wake.wait_for(lock, limit, [this] { return engineBusy.load() == 0; });
}

void EngineDriver::run(int hashSizeKb)
{
    m_functions.startEngine(hashSizeKb, m_callbacks);
    std::unique_lock lock(m_mutex);
    m_started = true;
    m_wake.notify_all();
    for (;;) {
        m_wake.wait(lock, [this] { return m_exit || m_pending.has_value(); });
        // The exit command wins over a waiting search.
        if (m_exit)
            break;
        SearchCommand command = std::move(*m_pending);
        std::uint64_t id = m_pendingId;
        m_pending.reset();
        m_running = true;
        lock.unlock();
        runSearch(id, command);
        lock.lock();
    }
    lock.unlock();
    searchEndTick = m_clock.ticks();
    m_functions.exitEngine();
}

void EngineDriver::runSearch(std::uint64_t id, const SearchCommand& command)
{
    searchStartTick = m_clock.ticks();
    // The node rate of the engine output counts from here.
    m_output->setSearchStartTick(searchStartTick);
    SearchEnded ended;
    ended.id = id;
    ended.kind = command.kind;
    ended.bookAsked = command.askBook;
    if (command.askBook && m_callbacks)
        ended.bookHit = reportBookMove(command.bookPath, command.bookMode, command.bookPosition,
                            *m_callbacks) != NoMove;
    if (!ended.bookHit)
        m_functions.startAnalyse(
            command.kind == SearchKind::Ponder ? VELMORAK_SEARCH_PONDER : VELMORAK_SEARCH_MOVE);
    ended.endTick = m_clock.ticks();
    searchEndTick = ended.endTick;
    if (command.kind == SearchKind::Ponder) {
        ended.ponderEndedByItself = ponderActive.exchange(0) != 0;
        if (!ended.ponderEndedByItself)
            ended.kind = SearchKind::Move;
    }
    ended.info = m_output->snapshot();
    finish(std::move(ended));
}

void EngineDriver::finish(SearchEnded ended)
{
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
        // A command that came in meanwhile keeps the engine busy.
        engineBusy = m_pending ? 1 : 0;
    }
    m_wake.notify_all();
    m_ended(std::move(ended));
}

} // namespace velmorak
