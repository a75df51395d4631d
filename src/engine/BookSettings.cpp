#include "engine/BookSettings.h"

#include <filesystem>

#include "base/ProgramDirectory.h"
#include "engine/OpeningBook.h"
#include "settings/RegistrySettings.h"
#include "settings/SettingsStore.h"

namespace velmorak {

std::optional<std::string> readBookSetting(SettingsStore& store, std::string_view name)
{
    // The settings' own strings are binary ("hex:"); quoted strings written by older
    // versions are read as well.
    std::string text;
    if (!RegistrySettings(store).readString(name, text))
        return std::nullopt;
    return text;
}

std::string defaultBookPathFor(std::string_view settingName)
{
    if (settingName == kEngineBookFileSetting && std::filesystem::exists(kDebianPolyglotBook))
        return kDebianPolyglotBook;
    return defaultBookPath();
}

Result<std::string> installDefaultBook(const std::string& programFolder)
{
    std::string target = defaultBookPath();
    std::string folder = std::filesystem::path(target).parent_path().string();
    Result<std::string> installed = installShippedFile(programFolder, kDefaultBookFileName, folder);
    if (!installed)
        return installed.error();
    return target;
}

std::string bookPath(SettingsStore& store, std::string_view name)
{
    std::optional<std::string> stored = readBookSetting(store, name);
    return stored ? *stored : defaultBookPathFor(name);
}

bool writeBookSetting(SettingsStore& store, std::string_view name, const std::string& path)
{
    return RegistrySettings(store).writeString(name, path);
}

} // namespace velmorak
