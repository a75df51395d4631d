#include "app/DgtPortChoice.h"

#include "settings/RegistrySettings.h"

namespace velmorak {

std::array<std::string, 5> dgtPortPaths(RegistrySettings& settings)
{
    std::array<std::string, 5> stored;
    settings.readStringList(kDgtPortPathsSetting, std::span(stored));
    std::array<std::string, 5> paths;
    for (std::size_t i = 0; i < paths.size(); ++i)
        paths[i] = stored[i].empty() ? std::string(kDefaultDgtPortPaths[i]) : stored[i];
    return paths;
}

int chooseDgtPortPath(RegistrySettings& settings, const std::string& path,
    const std::function<bool(const std::string&, const std::string&)>& sameDevice)
{
    std::array<std::string, 5> paths = dgtPortPaths(settings);
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (paths[i] == path)
            return static_cast<int>(i);
    std::size_t slot = 0;
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (sameDevice && sameDevice(paths[i], path)) {
            slot = i;
            break;
        }
    paths[slot] = path;
    settings.writeStringList(kDgtPortPathsSetting, std::span<const std::string>(paths));
    return static_cast<int>(slot);
}

std::optional<std::string> findDgtBoard(
    std::span<const std::string> candidates, const std::function<bool(const std::string&)>& answers)
{
    for (const std::string& candidate : candidates)
        if (answers(candidate))
            return candidate;
    return std::nullopt;
}

} // namespace velmorak
