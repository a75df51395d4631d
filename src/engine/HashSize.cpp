#include "engine/HashSize.h"

#include <charconv>
#include <cstdio>
#include <fstream>

namespace velmorak {

std::int64_t engineHashSizeKb(std::int64_t chosenKb, std::int64_t halfAvailableKb)
{
    if (halfAvailableKb >= chosenKb)
        return chosenKb;
    std::int64_t size = kMinHashSizeKb;
    while (size * 2 < halfAvailableKb && size * 2 <= kMaxHashSizeKb)
        size *= 2;
    return size;
}

std::vector<std::string> hashSizeChoices(std::int64_t halfAvailableKb)
{
    static constexpr const char* kChoices[] = { "64 kb", "128 kb", "256 kb", "512 kb", "1 mb",
        "2 mb", "4 mb", "8 mb", "16 mb", "32 mb", "64 mb", "128 mb", "256 mb", "512 mb", "1 GB" };
    std::vector<std::string> offered;
    for (const char* choice : kChoices)
        if (halfAvailableKb >= *parseHashSizeText(choice))
            offered.emplace_back(choice);
    return offered;
}

std::string hashSizeText(std::int64_t sizeKb)
{
    char text[32];
    if (sizeKb < 1024)
        std::snprintf(text, sizeof text, "%lld kb", static_cast<long long>(sizeKb));
    else if (sizeKb < 1048576)
        std::snprintf(text, sizeof text, "%lld mb", static_cast<long long>(sizeKb / 1024));
    else
        std::snprintf(text, sizeof text, "%lld gb", static_cast<long long>(sizeKb / 1048576));
    return text;
}

std::optional<std::int64_t> parseHashSizeText(std::string_view text)
{
    std::int64_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end == text.data() || number < 0)
        return std::nullopt;
    if (text.size() >= 2) {
        char unit = text[text.size() - 2];
        if (unit == 'm' || unit == 'M')
            return number * 1024;
        if (unit == 'g' || unit == 'G')
            return number * 1048576;
    }
    return number;
}

std::optional<std::int64_t> availablePhysicalMemoryKb()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::int64_t value = 0;
    std::string unit;
    while (meminfo >> key >> value) {
        std::getline(meminfo, unit);
        if (key == "MemAvailable:")
            return value;
    }
    return std::nullopt;
}

} // namespace velmorak
