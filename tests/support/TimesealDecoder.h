#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmorak::test {

// The server's side of timeseal, for fake servers: one stamped line read back.
struct TimesealLine {
    std::string text; // the line as the client meant it
    std::uint32_t time = 0; // the client's time stamp
};

// Deciphers `stamped`, the bytes of one line up to and including its end byte (0x80, or
// 0x80 plus a key offset as some clients send it), without the newline. Nothing for bytes
// that are no stamped line (wrong length, no end byte, no time marks, a time that is no
// number).
std::optional<TimesealLine> decodeTimeseal(std::string_view stamped);

} // namespace velmorak::test
