// Reads any bytes as a WAV file: never reads outside the input, and a sound it reads
// writes and reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sound/WavFile.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Result<PcmSound> sound = readWav(std::span<const std::uint8_t>(data, size));
    if (sound) {
        Result<PcmSound> again = readWav(writeWav(*sound));
        if (!again || again->samples != sound->samples || again->channels != sound->channels)
            std::abort();
    }
    return 0;
}
