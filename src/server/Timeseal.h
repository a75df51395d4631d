#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmorak {

// Timeseal v1, the lag compensation of FICS-style servers: every line the client sends
// carries the client's own clock, so that the server charges a player for thinking time only,
// not for the network. The key is the public one every timeseal client uses.
constexpr std::string_view kTimesealKey = "Timestamp (FICS) v1.0 - programmed by Henrik Gram.";

// The first line after connecting (stamped like any other): it asks the server for
// timeseal and names the client and its system.
constexpr std::string_view kTimesealHello = "TIMESTAMP|Velmorak|Linux|";

// What the client sends (stamped) when the server asks "[G]": the server measures the lag
// with it.
constexpr std::string_view kTimesealRequestAnswer = "\x02"
                                                    "9";

// The time carried in a stamp: milliseconds of `tick` modulo 10,000,000 (ticks below 0
// count as 0).
std::uint32_t timesealTime(std::int64_t tick);

// The bytes to send for `line` (given without its line break) at time `tick`: the line with
// the time appended between 0x18 and 0x19, padded with '1' to a multiple of 12 bytes,
// shuffled and enciphered, then 0x80 and a newline. The result is 5 to 22 bytes longer than
// the line and never holds a newline before its last byte.
std::string stampOutgoing(std::string_view line, std::int64_t tick);

} // namespace velmorak
