#include "CDatabaseOpener.h"

namespace velmorak {

CDatabaseOpener::CDatabaseOpener(CDatabase& database, std::string path,
    std::function<void(const IndexProgress&)> progress, std::function<void(bool)> done, int threads)
    : m_thread([this, &database, path = std::move(path), progress = std::move(progress),
                   done = std::move(done), threads](std::stop_token stop) {
        OpenOptions options;
        options.progress = progress;
        options.stop = stop;
        options.threads = threads;
        m_result = database.open(path, options);
        m_finished.store(true, std::memory_order_release);
        if (done)
            done(m_result);
    })
{
}

CDatabaseOpener::~CDatabaseOpener()
{
    cancel();
}

bool CDatabaseOpener::wait()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_result;
}

} // namespace velmorak
