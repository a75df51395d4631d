#include "platform/SerialPortPaths.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <tuple>

namespace velmorak {

namespace {

namespace fs = std::filesystem;

// The device names a board can have, in the order they are offered.
constexpr std::array<std::string_view, 3> kDevicePrefixes = { "ttyUSB", "ttyACM", "rfcomm" };

// The names in `folder`, or none when it cannot be read.
std::vector<std::string> entryNames(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

// The number of a device name "ttyUSB12" of kind `prefix`, or -1 when the name is not one.
long deviceNumber(std::string_view name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return -1;
    const std::string_view digits = name.substr(prefix.size());
    // Longer numbers are no device of ours, and would overflow.
    constexpr std::size_t kMaxDigits = 6;
    if (digits.size() > kMaxDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    long number = 0;
    for (char c : digits)
        number = number * 10 + (c - '0');
    return number;
}

} // namespace

std::vector<SerialPortCandidate> listSerialPortCandidates(std::string_view devRootText)
{
    const fs::path devRoot(devRootText);
    std::vector<SerialPortCandidate> candidates;

    const fs::path byId = devRoot / "serial" / "by-id";
    std::vector<std::string> links = entryNames(byId);
    std::sort(links.begin(), links.end());
    for (const std::string& name : links) {
        std::error_code error;
        const fs::path device = fs::canonical(byId / name, error);
        if (!error)
            candidates.push_back({ (byId / name).string(), device.string() });
    }

    struct Device {
        std::size_t kind;
        long number;
        std::string name;
    };
    std::vector<Device> devices;
    for (std::string& name : entryNames(devRoot)) {
        for (std::size_t kind = 0; kind < kDevicePrefixes.size(); ++kind) {
            const long number = deviceNumber(name, kDevicePrefixes[kind]);
            if (number < 0)
                continue;
            devices.push_back({ kind, number, std::move(name) });
            break;
        }
    }
    std::sort(devices.begin(), devices.end(), [](const Device& a, const Device& b) {
        return std::tie(a.kind, a.number, a.name) < std::tie(b.kind, b.number, b.name);
    });
    for (const Device& device : devices) {
        const std::string path = (devRoot / device.name).string();
        candidates.push_back({ path, path });
    }
    return candidates;
}

} // namespace velmorak
