#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/AutosaveRing.h"
#include "settings/RegistrySettings.h"

namespace velmorak {

// Writes the autosave ring on a thread of its own, so that a move never waits for the disk
// (every save syncs the ring file and the settings file). The interface thread prepares the
// game's text; the writer puts it into the ring. A text still waiting when a newer one comes
// is replaced by it: the newer state holds everything the older one did.
//
// `store` is used by the writer's thread only while it writes, and by the caller's thread
// only in restore() and flush()ed states; give it a store of its own (for the settings file,
// a second SettingsFileStore on the same file: the file's lock orders the two).
class AutosaveWriter {
public:
    AutosaveWriter(std::string documentsFolder, SettingsStore& store);
    // Writes what is waiting, then ends the thread.
    ~AutosaveWriter();
    AutosaveWriter(const AutosaveWriter&) = delete;
    AutosaveWriter& operator=(const AutosaveWriter&) = delete;

    // Completes the game's tags and renders the text to save (AutosaveRing::prepare).
    std::string prepare(
        CPgnGame& game, const TagCompletionRequest& request, TagCompletionSources& sources)
    {
        return m_ring.prepare(game, request, sources);
    }
    // Queues a prepared text and returns at once.
    void save(std::string pgn);
    // Returns when nothing waits and nothing is being written.
    void flush();
    // The newest saved game, after a flush (AutosaveRing::restore).
    std::unique_ptr<CPgnGame> restore();
    // The outcome of the last write: the slot, or why nothing was written.
    Result<int> lastResult();
    // Called on the writer's thread when a write fails and the one before it did not (or it
    // is the first): a failure waits for takeFailure(), once for every run of failures. Set it
    // before the first save.
    void setFailureHook(std::function<void()> hook) { m_onFailure = std::move(hook); }
    // Why the failure that waits to be told failed; nullopt when none waits (or it was taken).
    std::optional<Error> takeFailure();

private:
    void run();
    // Tells the failure hook of a failure that ends a run of successes.
    void noteResult(const Result<int>& written);

    RegistrySettings m_settings;
    AutosaveRing m_ring;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<std::string> m_waiting;
    bool m_writing = false;
    bool m_exit = false;
    Result<int> m_last { -1 };
    std::function<void()> m_onFailure;
    // Written and read by the writing thread only.
    bool m_failing = false;
    std::optional<Error> m_untold;
    std::thread m_thread;
};

} // namespace velmorak
