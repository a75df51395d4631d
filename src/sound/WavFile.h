#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/Error.h"

namespace velmorak {

// Sound as 16-bit signed samples, channels interleaved.
struct PcmSound {
    int sampleRate = 22050;
    int channels = 1;
    std::vector<std::int16_t> samples;

    double seconds() const;
};

// Reads a RIFF WAVE file: PCM with 8, 16, 24 or 32 bits, 32-bit float, plain or extensible
// format, 1 to 8 channels. Tolerant of what recorders and streaming writers leave behind: a
// data length beyond the end of the file is cut to the bytes present, unknown chunks are
// skipped, an odd chunk's pad byte may be missing. Never reads past `bytes`. Anything else
// is refused with the reason (InvalidInput, or Unsupported for a format it does not play).
Result<PcmSound> readWav(std::span<const std::uint8_t> bytes);
// As readWav for a file of at most kMaxWavFileSize bytes (NotFound when it cannot be
// opened, LimitExceeded when larger).
Result<PcmSound> readWavFile(const std::string& path);
inline constexpr std::size_t kMaxWavFileSize = 64 * 1024 * 1024;

// A 16-bit PCM WAVE file of the sound.
std::vector<std::uint8_t> writeWav(const PcmSound& sound);

} // namespace velmorak
