#include "sound/WavFile.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void tag(std::vector<std::uint8_t>& out, const char* text)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(text[i]));
}

// A WAVE file with the given format fields and raw sample bytes; `declared` overrides the
// data chunk's length.
std::vector<std::uint8_t> wave(int formatTag, int channels, int rate, int bits,
    const std::vector<std::uint8_t>& data, std::int64_t declared = -1, bool junkFirst = false)
{
    std::vector<std::uint8_t> out;
    tag(out, "RIFF");
    put(out, 0, 4);
    tag(out, "WAVE");
    if (junkFirst) {
        tag(out, "LIST");
        put(out, 3, 4);
        out.insert(out.end(), { 'a', 'b', 'c', 0 }); // odd chunk and its pad byte
    }
    bool extensible = formatTag == 0xFFFE;
    tag(out, "fmt ");
    put(out, extensible ? 40 : 16, 4);
    put(out, static_cast<std::uint32_t>(formatTag), 2);
    put(out, static_cast<std::uint32_t>(channels), 2);
    put(out, static_cast<std::uint32_t>(rate), 4);
    put(out, static_cast<std::uint32_t>(rate * channels * bits / 8), 4);
    put(out, static_cast<std::uint32_t>(channels * bits / 8), 2);
    put(out, static_cast<std::uint32_t>(bits), 2);
    if (extensible) {
        put(out, 22, 2);
        put(out, static_cast<std::uint32_t>(bits), 2);
        put(out, 0, 4);
        put(out, 1, 2); // the sub-format GUID starts with the PCM tag
        for (int i = 0; i < 14; ++i)
            out.push_back(0);
    }
    tag(out, "data");
    put(out, static_cast<std::uint32_t>(declared >= 0 ? declared : std::int64_t(data.size())), 4);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST(WavFile, WrittenSoundReadsBack)
{
    PcmSound sound;
    sound.sampleRate = 44100;
    sound.channels = 2;
    sound.samples = { 0, 1, -1, 32767, -32768, 1234 };
    std::optional<PcmSound> read = readWav(writeWav(sound));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sampleRate, 44100);
    EXPECT_EQ(read->channels, 2);
    EXPECT_EQ(read->samples, sound.samples);
    EXPECT_DOUBLE_EQ(read->seconds(), 3.0 / 44100);
}

TEST(WavFile, SampleFormatsAreConvertedTo16Bits)
{
    float half = 0.5f;
    std::uint32_t halfBits;
    std::memcpy(&halfBits, &half, 4);
    std::vector<std::uint8_t> floatData;
    put(floatData, halfBits, 4);

    struct Row {
        const char* name;
        std::vector<std::uint8_t> file;
        std::vector<std::int16_t> samples;
    };
    const Row rows[] = {
        { "8-bit is unsigned", wave(1, 1, 8000, 8, { 0, 128, 255 }), { -32768, 0, 32512 } },
        { "24-bit keeps the high bytes", wave(1, 1, 8000, 24, { 0x11, 0x34, 0x12 }), { 0x1234 } },
        { "32-bit float", wave(3, 1, 8000, 32, floatData), { 16384 } },
        { "extensible PCM", wave(0xFFFE, 1, 8000, 16, { 0x02, 0x01 }), { 0x0102 } },
        { "unknown chunk before the format", wave(1, 1, 8000, 16, { 5, 0 }, -1, true), { 5 } },
        { "data longer than the file is cut", wave(1, 1, 8000, 16, { 1, 0, 2, 0, 3 }, 0x7FFFFFFF),
            { 1, 2 } },
    };
    for (const Row& row : rows) {
        std::string error;
        std::optional<PcmSound> read = readWav(row.file, &error);
        ASSERT_TRUE(read) << row.name << ": " << error;
        EXPECT_EQ(read->samples, row.samples) << row.name;
    }
}

TEST(WavFile, UnplayableFilesAreRefused)
{
    struct Row {
        const char* name;
        std::vector<std::uint8_t> file;
    };
    std::vector<std::uint8_t> noData = wave(1, 1, 8000, 16, {});
    noData.resize(noData.size() - 8);
    const Row rows[] = {
        { "empty", {} },
        { "not RIFF", { 'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E' } },
        { "compressed", wave(2, 1, 8000, 4, { 1, 2 }) },
        { "no channels", wave(1, 0, 8000, 16, { 1, 2 }) },
        { "twelve-bit samples", wave(1, 1, 8000, 12, { 1, 2 }) },
        { "rate zero", wave(1, 1, 0, 16, { 1, 2 }) },
        { "no data chunk", noData },
    };
    for (const Row& row : rows) {
        std::string error;
        EXPECT_FALSE(readWav(row.file, &error)) << row.name;
        EXPECT_NE(error, "") << row.name;
    }
}

} // namespace
