#include "app/AutosaveWriter.h"

#include <utility>

namespace velmorak {

AutosaveWriter::AutosaveWriter(std::string documentsFolder, SettingsStore& store)
    : m_settings(store)
    , m_ring(std::move(documentsFolder), m_settings)
{
}

AutosaveWriter::~AutosaveWriter()
{
    flush();
    {
        std::lock_guard lock(m_mutex);
        m_exit = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void AutosaveWriter::save(std::string pgn)
{
    std::optional<Result<int>> writtenHere;
    {
        std::lock_guard lock(m_mutex);
        m_waiting = std::move(pgn);
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { run(); });
            } catch (const std::system_error&) {
                // Without a thread of its own the ring is written here, as before.
                std::string text = std::move(*m_waiting);
                m_waiting.reset();
                m_last = m_ring.writeText(text);
                writtenHere = m_last;
            }
        }
    }
    if (writtenHere)
        noteResult(*writtenHere);
    else
        m_changed.notify_all();
}

void AutosaveWriter::flush()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_waiting && !m_writing; });
}

std::unique_ptr<CPgnGame> AutosaveWriter::restore()
{
    flush();
    return m_ring.restore();
}

Result<int> AutosaveWriter::lastResult()
{
    flush();
    std::lock_guard lock(m_mutex);
    return m_last;
}

void AutosaveWriter::noteResult(const Result<int>& written)
{
    const bool starts = !written.ok() && !m_failing;
    m_failing = !written.ok();
    if (!starts)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_untold = written.error();
    }
    if (m_onFailure)
        m_onFailure();
}

std::optional<Error> AutosaveWriter::takeFailure()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_untold, std::nullopt);
}

void AutosaveWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_exit || m_waiting; });
        if (!m_waiting)
            return;
        std::string text = std::move(*m_waiting);
        m_waiting.reset();
        m_writing = true;
        lock.unlock();
        Result<int> written = m_ring.writeText(text);
        noteResult(written);
        lock.lock();
        m_last = std::move(written);
        m_writing = false;
        m_changed.notify_all();
    }
}

} // namespace velmorak
