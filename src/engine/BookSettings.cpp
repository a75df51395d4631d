#include "engine/BookSettings.h"

#include <filesystem>

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

std::pair<std::string, std::string> installDefaultBook(const std::string& programFolder)
{
    namespace fs = std::filesystem;
    std::string target = defaultBookPath();
    std::error_code error;
    if (fs::exists(target, error))
        return { target, {} };
    fs::path source = fs::path(programFolder) / kDefaultBookFileName;
    if (!fs::exists(source, error))
        return { target, "no default book at " + source.string() };
    fs::create_directories(fs::path(target).parent_path(), error);
    // Copy under a temporary name first, so a half-written book is never taken for a book.
    std::string temporary = target + ".tmp";
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, error);
    if (!error)
        fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return { target,
            "cannot copy " + source.string() + " to " + target + ": " + error.message() };
    }
    return { target, {} };
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
