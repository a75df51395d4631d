#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/AppSettings.h"

namespace velmorak {

// The size the engine thread starts the engine with: the chosen size, or, when half of the
// available physical memory is smaller, the largest power of two below that half (64 KB at
// least, 1 GB at most). The caller stores a lowered size back as the chosen one.
std::int64_t engineHashSizeKb(std::int64_t chosenKb, std::int64_t halfAvailableKb);

// The texts of the options page: "64 kb" .. "1 GB", each offered only when half of the
// available memory is at least that size.
std::vector<std::string> hashSizeChoices(std::int64_t halfAvailableKb);
// "%d kb" below 1024, "%d mb" below 1048576, else "%d gb".
std::string hashSizeText(std::int64_t sizeKb);
// A choice read back: its leading number, times 1024 when the second-last character is 'm'
// or 'M', times 1048576 when it is 'g' or 'G'. nullopt when it starts with no number.
std::optional<std::int64_t> parseHashSizeText(std::string_view text);

// MemAvailable of /proc/meminfo in KB; nullopt when it cannot be read.
std::optional<std::int64_t> availablePhysicalMemoryKb();

} // namespace velmorak
