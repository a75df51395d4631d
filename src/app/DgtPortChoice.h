#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmorak {

class RegistrySettings;

// The serial ports the DGT option's 1..5 name, unless the settings value "DgtPortPaths"
// gives other paths (entry by entry; an empty entry keeps the default).
inline constexpr std::array<std::string_view, 5> kDefaultDgtPortPaths = {
    "/dev/ttyUSB0",
    "/dev/ttyUSB1",
    "/dev/ttyACM0",
    "/dev/ttyACM1",
    "/dev/rfcomm0",
};
inline constexpr std::string_view kDgtPortPathsSetting = "DgtPortPaths";

// The five port paths as the settings give them.
std::array<std::string, 5> dgtPortPaths(RegistrySettings& settings);

// Makes `path` one of the five ports and returns its index (0..4): the port that already
// names it, else the one whose path names the same device (`sameDevice` decides, e.g. a
// /dev/serial/by-id link and the ttyUSB it points to), else the first port. The paths are
// written back to "DgtPortPaths" when one changed.
int chooseDgtPortPath(RegistrySettings& settings, const std::string& path,
    const std::function<bool(const std::string&, const std::string&)>& sameDevice);

// The first of `candidates` on which `answers` finds a board, tried in order.
std::optional<std::string> findDgtBoard(std::span<const std::string> candidates,
    const std::function<bool(const std::string&)>& answers);

} // namespace velmorak
