#include "support/TimesealDecoder.h"

#include <charconv>
#include <utility>

#include "server/Timeseal.h"

namespace velmorak::test {

std::optional<TimesealLine> decodeTimeseal(std::string_view stamped)
{
    constexpr std::size_t kBlock = 12;
    if (stamped.empty() || (static_cast<std::uint8_t>(stamped.back()) & 0x80) == 0)
        return std::nullopt;
    const std::size_t offset = static_cast<std::uint8_t>(stamped.back()) & 0x7f;
    std::string bytes(stamped.substr(0, stamped.size() - 1));
    if (bytes.empty() || bytes.size() % kBlock != 0 || offset >= kTimesealKey.size())
        return std::nullopt;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto byte = static_cast<std::uint8_t>(static_cast<std::uint8_t>(bytes[i]) + 32);
        byte ^= static_cast<std::uint8_t>(kTimesealKey[(i + offset) % kTimesealKey.size()]);
        bytes[i] = static_cast<char>(byte & 0x7f);
    }
    for (std::size_t block = 0; block < bytes.size(); block += kBlock) {
        std::swap(bytes[block], bytes[block + 11]);
        std::swap(bytes[block + 2], bytes[block + 9]);
        std::swap(bytes[block + 4], bytes[block + 7]);
    }
    const std::size_t start = bytes.rfind('\x18');
    const std::size_t end = bytes.rfind('\x19');
    if (start == std::string::npos || end == std::string::npos || end <= start + 1)
        return std::nullopt;
    TimesealLine line;
    const char* first = bytes.data() + start + 1;
    const char* last = bytes.data() + end;
    auto [stop, error] = std::from_chars(first, last, line.time);
    if (error != std::errc() || stop != last)
        return std::nullopt;
    line.text = bytes.substr(0, start);
    return line;
}

} // namespace velmorak::test
