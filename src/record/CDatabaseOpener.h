#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "CDatabase.h"

namespace velmorak {

// Opens a database on a thread of its own, so that the interface stays responsive while a
// large file is indexed. Until finished(), the database may only be read through
// indexedCount and visitIndexed; afterwards it is the caller's again, open or closed as
// open left it (cancelled: closed, error 15).
class CDatabaseOpener {
public:
    // Both callbacks run on the opening thread: `progress` as OpenOptions says, `done` with
    // open's result as the last thing the thread does.
    CDatabaseOpener(CDatabase& database, std::string path,
        std::function<void(const IndexProgress&)> progress = {},
        std::function<void(bool)> done = {}, int threads = 0);
    // Cancels an open under way and waits for its thread.
    ~CDatabaseOpener();
    CDatabaseOpener(const CDatabaseOpener&) = delete;
    CDatabaseOpener& operator=(const CDatabaseOpener&) = delete;

    // Asks the open to give up; it does so within a batch of games.
    void cancel() { m_thread.request_stop(); }
    bool finished() const { return m_finished.load(std::memory_order_acquire); }
    // Waits for the open to end; its result.
    bool wait();

private:
    std::atomic<bool> m_finished { false };
    bool m_result = false;
    std::jthread m_thread;
};

} // namespace velmorak
