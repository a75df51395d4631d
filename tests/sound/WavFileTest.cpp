#include "sound/WavFile.h"

#include <cstring>
#include <tuple>

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

using namespace std::string_literals;

// The little-endian bytes of a value.
std::string le(std::int64_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}

// A WAVE file with the given format fields and raw sample bytes; `declared` overrides the
// data chunk's length; `junkFirst` puts an odd-sized chunk and its pad byte before "fmt ".
std::vector<std::uint8_t> wave(int formatTag, int channels, int rate, int bits,
    const std::string& data, std::int64_t declared = -1, bool junkFirst = false)
{
    std::string format = le(formatTag, 2) + le(channels, 2) + le(rate, 4) +
        le(rate * channels * bits / 8, 4) + le(channels * bits / 8, 2) + le(bits, 2);
    if (formatTag == 0xFFFE) // the sub-format GUID starts with the PCM tag
        format += le(22, 2) + le(bits, 2) + le(0, 4) + le(1, 2) + std::string(14, '\0');
    std::string file = "RIFF" + le(0, 4) + "WAVE" +
        (junkFirst ? "LIST" + le(3, 4) + "abc\0"s : "") + "fmt " +
        le(std::int64_t(format.size()), 4) + format + "data" +
        le(declared >= 0 ? declared : std::int64_t(data.size()), 4) + data;
    return { file.begin(), file.end() };
}

TEST(WavFile, WrittenAndForeignSampleFormatsReadAs16Bits)
{
    float half = 0.5f;
    std::string floatData(4, '\0');
    std::memcpy(floatData.data(), &half, 4);
    const PcmSound stereo { 44100, 2, { 0, 1, -1, 32767, -32768, 1234 } };
    EXPECT_DOUBLE_EQ(stereo.seconds(), 3.0 / 44100);
    auto mono = [](std::vector<std::int16_t> samples) { return PcmSound { 8000, 1, samples }; };
    struct Row {
        const char* name;
        std::vector<std::uint8_t> file;
        PcmSound expected;
    };
    const Row rows[] = {
        { "written 16-bit stereo", writeWav(stereo), stereo },
        { "8-bit is unsigned", wave(1, 1, 8000, 8, "\x00\x80\xff"s), mono({ -32768, 0, 32512 }) },
        { "24-bit keeps the high bytes", wave(1, 1, 8000, 24, "\x11\x34\x12"), mono({ 0x1234 }) },
        { "32-bit float", wave(3, 1, 8000, 32, floatData), mono({ 16384 }) },
        { "extensible PCM", wave(0xFFFE, 1, 8000, 16, "\x02\x01"), mono({ 0x0102 }) },
        { "unknown chunk before the format", wave(1, 1, 8000, 16, "\x05\x00"s, -1, true),
            mono({ 5 }) },
        { "data longer than the file is cut", wave(1, 1, 8000, 16, "\1\0\2\0\3"s, 0x7FFFFFFF),
            mono({ 1, 2 }) },
    };
    for (const Row& row : rows) {
        Result<PcmSound> read = readWav(row.file);
        ASSERT_TRUE(read) << row.name << ": " << read.error().message;
        EXPECT_EQ(std::tie(read->sampleRate, read->channels, read->samples),
            std::tie(row.expected.sampleRate, row.expected.channels, row.expected.samples))
            << row.name;
    }
}

TEST(WavFile, UnplayableFilesAreRefused)
{
    struct Row {
        const char* name;
        std::vector<std::uint8_t> file;
        ErrorKind kind;
    };
    std::vector<std::uint8_t> noData = wave(1, 1, 8000, 16, "");
    noData.resize(noData.size() - 8);
    const Row rows[] = {
        { "empty", {}, ErrorKind::InvalidInput },
        { "not RIFF", { 'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E' },
            ErrorKind::InvalidInput },
        { "compressed", wave(2, 1, 8000, 4, "\1\2"), ErrorKind::Unsupported },
        { "no channels", wave(1, 0, 8000, 16, "\1\2"), ErrorKind::Unsupported },
        { "twelve-bit samples", wave(1, 1, 8000, 12, "\1\2"), ErrorKind::Unsupported },
        { "rate zero", wave(1, 1, 0, 16, "\1\2"), ErrorKind::Unsupported },
        { "no data chunk", noData, ErrorKind::InvalidInput },
    };
    for (const Row& row : rows) {
        Result<PcmSound> read = readWav(row.file);
        ASSERT_FALSE(read) << row.name;
        EXPECT_EQ(read.error().kind, row.kind) << row.name;
        EXPECT_NE(read.error().message, "") << row.name;
    }
}

} // namespace
