#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/Clock.h"
#include "sound/SoundOutput.h"
#include "sound/WavFile.h"

namespace velmorak {

// Sound through PulseAudio's simple API (served by PulseAudio and by PipeWire desktops).
// Its blocking write-then-drain is exactly "return when the sound has ended", which keeps
// spoken words in order; and without a sound server it fails at once, without a message.
//
// Named sounds are the WAV files of `soundFolder` ("move1" is soundFolder/move1.wav), read
// once and kept. They play on a worker thread started at the first request, on a stream
// kept open with a short buffer so that a move sound starts without audible delay; a new
// request cuts off the one playing. Synchronous files play on the caller's thread on a
// stream of their own.
//
// When a stream cannot be opened (no server, no device) every sound is skipped silently
// for kRetryPauseMs, then opening is tried again, so a server started later is found.
// The first failure is told to `onUnavailable` (on whichever thread it happens), once for
// the life of the output, so the user learns why nothing plays without hearing it again
// at every move.
class PulseSoundOutput : public SoundOutput {
public:
    static constexpr std::int64_t kRetryPauseMs = 5000;
    using UnavailableNotice = std::function<void(const std::string& message)>;

    PulseSoundOutput(std::string soundFolder, Clock& clock, UnavailableNotice onUnavailable = {});
    ~PulseSoundOutput() override;

    void playNamedAsync(std::string_view name) override;
    void playSystemDefault() override;
    bool playFileSync(const std::string& path) override;

private:
    class Stream;

    std::shared_ptr<const PcmSound> namedSound(std::string_view name);
    void runWorker();
    bool mayOpen();
    void openFailed(const std::string& reason);

    std::string m_folder;
    std::map<std::string, std::shared_ptr<const PcmSound>, std::less<>> m_sounds;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::shared_ptr<const PcmSound> m_pending;
    bool m_stop = false;
    std::thread m_worker;
    Clock& m_clock;
    std::int64_t m_retryAfter = 0;
    UnavailableNotice m_onUnavailable;
    bool m_told = false;

    std::unique_ptr<Stream> m_syncStream;
};

// The sound output of the running program: PulseAudio when the program was built with it,
// otherwise silence. `programFolder` holds the "sounds" folder; `clock` must outlive the
// output.
std::unique_ptr<SoundOutput> makeSystemSoundOutput(const std::string& programFolder, Clock& clock,
    PulseSoundOutput::UnavailableNotice onUnavailable = {});

} // namespace velmorak
