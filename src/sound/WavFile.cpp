#include "WavFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velmorak {

namespace {
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 8;
constexpr std::uint32_t kMaxSampleRate = 384000;

std::uint32_t le16(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}
std::uint32_t le32(const std::uint8_t* p)
{
    return le16(p) | le16(p + 2) << 16;
}

Error refused(ErrorKind kind, const char* reason)
{
    return Error { kind, reason };
}

std::int16_t sampleAt(const std::uint8_t* p, int bits, bool isFloat)
{
    if (isFloat) {
        float value = std::bit_cast<float>(le32(p));
        if (!(value == value)) // NaN
            return 0;
        value = std::clamp(value, -1.0f, 1.0f);
        return static_cast<std::int16_t>(std::lround(value * 32767.0f));
    }
    switch (bits) {
    case 8:
        return static_cast<std::int16_t>((int(p[0]) - 128) * 256);
    case 16:
        return static_cast<std::int16_t>(le16(p));
    case 24:
        return static_cast<std::int16_t>(le16(p + 1));
    default:
        return static_cast<std::int16_t>(le16(p + 2));
    }
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
void putTag(std::vector<std::uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}
} // namespace

double PcmSound::seconds() const
{
    if (sampleRate <= 0 || channels <= 0)
        return 0;
    return static_cast<double>(samples.size()) / channels / sampleRate;
}

Result<PcmSound> readWav(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return refused(ErrorKind::InvalidInput, "not a RIFF WAVE file");
    }
    const std::uint8_t* format = nullptr;
    std::size_t formatSize = 0;
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;
    std::size_t at = 12;
    while (at + 8 <= bytes.size() && !data) {
        const std::uint8_t* chunk = bytes.data() + at;
        std::size_t size = le32(chunk + 4);
        std::size_t available = bytes.size() - at - 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            format = chunk + 8;
            formatSize = std::min(size, available);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            data = chunk + 8;
            dataSize = std::min(size, available);
        }
        if (size > available)
            break;
        at += 8 + size + (size & 1);
    }
    if (!format || formatSize < 16) {
        return refused(ErrorKind::InvalidInput, "no format chunk before the sound data");
    }
    if (!data) {
        return refused(ErrorKind::InvalidInput, "no sound data");
    }
    std::uint32_t tag = le16(format);
    int channels = static_cast<int>(le16(format + 2));
    std::uint32_t rate = le32(format + 4);
    int bits = static_cast<int>(le16(format + 14));
    if (tag == kFormatExtensible && formatSize >= 26)
        tag = le16(format + 24);
    bool isFloat = tag == kFormatFloat;
    if (tag != kFormatPcm && !isFloat) {
        return refused(ErrorKind::Unsupported, "compressed sound formats are not supported");
    }
    if (channels < 1 || channels > kMaxChannels || rate == 0 || rate > kMaxSampleRate ||
        (isFloat ? bits != 32 : (bits != 8 && bits != 16 && bits != 24 && bits != 32))) {
        return refused(
            ErrorKind::Unsupported, "unsupported channel count, sample rate or sample size");
    }
    std::size_t frameBytes =
        static_cast<std::size_t>(channels) * static_cast<std::size_t>(bits / 8);
    std::size_t frames = dataSize / frameBytes;
    PcmSound sound;
    sound.sampleRate = static_cast<int>(rate);
    sound.channels = channels;
    sound.samples.resize(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < sound.samples.size(); ++i)
        sound.samples[i] = sampleAt(data + i * static_cast<std::size_t>(bits / 8), bits, isFloat);
    return sound;
}

Result<PcmSound> readWavFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return refused(ErrorKind::NotFound, "cannot open the file");
    }
    std::vector<std::uint8_t> bytes;
    constexpr std::size_t kBlock = 65536;
    while (in) {
        std::size_t size = bytes.size();
        bytes.resize(size + kBlock);
        in.read(reinterpret_cast<char*>(bytes.data() + size), static_cast<std::streamsize>(kBlock));
        bytes.resize(size + static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxWavFileSize) {
            return refused(ErrorKind::LimitExceeded, "file too large for a sound");
        }
    }
    return readWav(bytes);
}

std::vector<std::uint8_t> writeWav(const PcmSound& sound)
{
    std::uint32_t dataBytes = static_cast<std::uint32_t>(sound.samples.size() * 2);
    std::uint32_t channels = static_cast<std::uint32_t>(sound.channels);
    std::uint32_t rate = static_cast<std::uint32_t>(sound.sampleRate);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, kFormatPcm);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * channels * 2);
    put16(out, channels * 2);
    put16(out, 16);
    putTag(out, "data");
    put32(out, dataBytes);
    for (std::int16_t sample : sound.samples)
        put16(out, static_cast<std::uint16_t>(sample));
    return out;
}

} // namespace velmorak
