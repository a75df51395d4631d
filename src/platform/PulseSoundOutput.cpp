#include "PulseSoundOutput.h"

#include <algorithm>
#include <string>

#ifdef VELMORAK_HAVE_PULSE
#include <pulse/error.h>
#include <pulse/simple.h>
#endif

namespace velmorak {

namespace {
constexpr const char* kApplicationName = "Velmorak";
// Buffer of the move-sound stream: short, so a sound starts at once.
constexpr int kLowLatencyMilliseconds = 30;
// Move sounds are written in slices this long, so a newer one can cut in.
constexpr int kSliceMilliseconds = 20;
constexpr std::string_view kDefaultSoundName = "default";
} // namespace

// One open playback stream of one sample format.
class PulseSoundOutput::Stream {
public:
    Stream(int rate, int channels, bool lowLatency)
        : m_rate(rate)
        , m_channels(channels)
    {
#ifdef VELMORAK_HAVE_PULSE
        pa_sample_spec spec {};
        spec.format = PA_SAMPLE_S16LE;
        spec.rate = static_cast<std::uint32_t>(rate);
        spec.channels = static_cast<std::uint8_t>(channels);
        pa_buffer_attr attributes {};
        std::uint32_t bytes =
            static_cast<std::uint32_t>(rate * channels * 2 * kLowLatencyMilliseconds / 1000);
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.tlength = bytes;
        attributes.prebuf = static_cast<std::uint32_t>(-1);
        attributes.minreq = static_cast<std::uint32_t>(-1);
        attributes.fragsize = static_cast<std::uint32_t>(-1);
        int error = 0;
        m_stream = pa_simple_new(nullptr, kApplicationName, PA_STREAM_PLAYBACK, nullptr,
            lowLatency ? "move sound" : "voice", &spec, nullptr, lowLatency ? &attributes : nullptr,
            &error);
        if (!m_stream)
            m_failure = std::string("no server (") + pa_strerror(error) + ")";
#else
        (void)lowLatency;
#endif
    }
    ~Stream()
    {
#ifdef VELMORAK_HAVE_PULSE
        if (m_stream)
            pa_simple_free(m_stream);
#endif
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    bool isOpen() const
    {
        return m_stream != nullptr;
    }
    // Why the stream did not open, as the sound system words it.
    const std::string& failure() const
    {
        return m_failure;
    }
    bool fits(const PcmSound& sound) const
    {
        return sound.sampleRate == m_rate && sound.channels == m_channels;
    }
    bool write(const std::int16_t* samples, std::size_t count)
    {
#ifdef VELMORAK_HAVE_PULSE
        int error = 0;
        return count == 0 || pa_simple_write(m_stream, samples, count * 2, &error) == 0;
#else
        (void)samples;
        (void)count;
        return false;
#endif
    }
    bool drain()
    {
#ifdef VELMORAK_HAVE_PULSE
        int error = 0;
        return pa_simple_drain(m_stream, &error) == 0;
#else
        return false;
#endif
    }
    void flush()
    {
#ifdef VELMORAK_HAVE_PULSE
        int error = 0;
        pa_simple_flush(m_stream, &error);
#endif
    }

private:
#ifdef VELMORAK_HAVE_PULSE
    pa_simple* m_stream = nullptr;
#else
    void* m_stream = nullptr;
#endif
    int m_rate;
    int m_channels;
    std::string m_failure = "built without sound";
};

PulseSoundOutput::PulseSoundOutput(
    std::string soundFolder, Clock& clock, UnavailableNotice onUnavailable)
    : m_folder(std::move(soundFolder))
    , m_clock(clock)
    , m_onUnavailable(std::move(onUnavailable))
{
}

PulseSoundOutput::~PulseSoundOutput()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

bool PulseSoundOutput::mayOpen()
{
    std::lock_guard lock(m_mutex);
    return m_retryAfter == 0 || m_clock.ticks() >= m_retryAfter;
}

void PulseSoundOutput::openFailed(const std::string& reason)
{
    bool tell = false;
    {
        std::lock_guard lock(m_mutex);
        m_retryAfter = m_clock.ticks() + kRetryPauseMs;
        tell = !m_told && m_onUnavailable;
        m_told = true;
    }
    if (tell)
        m_onUnavailable("No sound: " + reason);
}

std::shared_ptr<const PcmSound> PulseSoundOutput::namedSound(std::string_view name)
{
    // Only called on the caller's thread; the worker gets the sounds through m_pending.
    auto found = m_sounds.find(name);
    if (found != m_sounds.end())
        return found->second;
    std::shared_ptr<const PcmSound> sound;
    if (Result<PcmSound> read = readWavFile(m_folder + "/" + std::string(name) + ".wav"))
        sound = std::make_shared<const PcmSound>(std::move(*read));
    m_sounds.emplace(std::string(name), sound);
    return sound;
}

void PulseSoundOutput::playNamedAsync(std::string_view name)
{
    std::shared_ptr<const PcmSound> sound = namedSound(name);
    if (!sound || sound->samples.empty() || !mayOpen())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(sound);
        if (!m_worker.joinable())
            m_worker = std::thread([this] { runWorker(); });
    }
    m_wake.notify_all();
}

void PulseSoundOutput::playSystemDefault()
{
    playNamedAsync(kDefaultSoundName);
}

void PulseSoundOutput::runWorker()
{
    std::unique_ptr<Stream> stream;
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (m_stop)
            return;
        std::shared_ptr<const PcmSound> sound = std::move(m_pending);
        m_pending.reset();
        lock.unlock();

        if (!stream || !stream->fits(*sound)) {
            stream.reset();
            if (mayOpen()) {
                stream = std::make_unique<Stream>(sound->sampleRate, sound->channels, true);
                if (!stream->isOpen()) {
                    openFailed(stream->failure());
                    stream.reset();
                }
            }
        }
        bool cutOff = false;
        if (stream) {
            std::size_t slice = static_cast<std::size_t>(
                std::max(1, sound->sampleRate * kSliceMilliseconds / 1000 * sound->channels));
            const auto& samples = sound->samples;
            bool ok = true;
            for (std::size_t at = 0; ok && at < samples.size(); at += slice) {
                {
                    std::lock_guard check(m_mutex);
                    cutOff = m_stop || m_pending != nullptr;
                }
                if (cutOff)
                    break;
                ok = stream->write(samples.data() + at, std::min(slice, samples.size() - at));
            }
            if (cutOff)
                stream->flush();
            else if (ok)
                ok = stream->drain();
            if (!ok)
                stream.reset(); // the server went away; reopen for the next sound
        }
        lock.lock();
    }
}

bool PulseSoundOutput::playFileSync(const std::string& path)
{
    Result<PcmSound> sound = readWavFile(path);
    if (!sound || !mayOpen())
        return false;
    if (!m_syncStream || !m_syncStream->fits(*sound)) {
        m_syncStream.reset();
        auto stream = std::make_unique<Stream>(sound->sampleRate, sound->channels, false);
        if (!stream->isOpen()) {
            openFailed(stream->failure());
            return false;
        }
        m_syncStream = std::move(stream);
    }
    if (!m_syncStream->write(sound->samples.data(), sound->samples.size()) ||
        !m_syncStream->drain()) {
        m_syncStream.reset();
        return false;
    }
    return true;
}

std::unique_ptr<SoundOutput> makeSystemSoundOutput(const std::string& programFolder, Clock& clock,
    PulseSoundOutput::UnavailableNotice onUnavailable)
{
#ifdef VELMORAK_HAVE_PULSE
    return std::make_unique<PulseSoundOutput>(
        programFolder + "/sounds", clock, std::move(onUnavailable));
#else
    (void)programFolder;
    (void)clock;
    (void)onUnavailable;
    return std::make_unique<SilentSoundOutput>();
#endif
}

} // namespace velmorak
