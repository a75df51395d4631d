#include "server/Timeseal.h"

#include <utility>

namespace velmorak {

namespace {

constexpr char kTimeStart = 0x18;
constexpr char kTimeEnd = 0x19;
constexpr char kPadding = '1';
constexpr std::size_t kBlockSize = 12;
constexpr std::uint8_t kStampEnd = 0x80;
// The byte pairs swapped within each block.
constexpr std::pair<std::size_t, std::size_t> kSwaps[] = { { 0, 11 }, { 2, 9 }, { 4, 7 } };

} // namespace

std::uint32_t timesealTime(std::int64_t tick)
{
    if (tick < 0)
        return 0;
    return static_cast<std::uint32_t>(((tick / 1000) % 10000) * 1000 + tick % 1000);
}

std::string stampOutgoing(std::string_view line, std::int64_t tick)
{
    const std::string time = std::to_string(timesealTime(tick));
    std::string out;
    // Sized for the whole stamp: time marks, up to 8 digits, padding, end byte and newline.
    out.reserve(line.size() + time.size() + 2 + kBlockSize + 2);
    out.append(line);
    out.push_back(kTimeStart);
    out.append(time);
    out.push_back(kTimeEnd);
    while (out.size() % kBlockSize != 0)
        out.push_back(kPadding);
    for (std::size_t block = 0; block < out.size(); block += kBlockSize)
        for (auto [a, b] : kSwaps)
            std::swap(out[block + a], out[block + b]);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto byte = static_cast<std::uint8_t>(static_cast<std::uint8_t>(out[i]) | 0x80);
        byte = static_cast<std::uint8_t>(
            (byte ^ static_cast<std::uint8_t>(kTimesealKey[i % kTimesealKey.size()])) - 32);
        out[i] = static_cast<char>(byte);
    }
    out.push_back(static_cast<char>(kStampEnd));
    out.push_back('\n');
    return out;
}

} // namespace velmorak
