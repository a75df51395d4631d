#include "engine/BookSettings.h"

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/ProgramDirectory.h"
#include "base/RegularFile.h"
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

BookKindTexts bookKindTexts(BookKind kind)
{
    if (kind == BookKind::Program)
        return { kBookFileSetting, "Openingbook (*.kbk)", "kbk", 2 };
    return { kEngineBookFileSetting, "Openingbook (*.bin)", "", 16 };
}

Status checkBookFile(BookKind kind, const std::string& path)
{
    Result<int> opened = openRegularFile(path, O_RDONLY);
    if (!opened)
        return opened.error();
    struct stat info { };
    const bool known = ::fstat(*opened, &info) == 0;
    const int error = errno;
    ::close(*opened);
    if (!known)
        return systemError("cannot read", path, error);
    const std::size_t entry = bookKindTexts(kind).entrySize;
    if (info.st_size == 0)
        return Error { ErrorKind::InvalidInput, "the book " + path + " is empty" };
    if (static_cast<std::size_t>(info.st_size) % entry != 0)
        return Error { ErrorKind::InvalidInput,
            "the book " + path + " is not a book of this kind: its size is not a multiple of " +
                std::to_string(entry) + " bytes" };
    return {};
}

} // namespace velmorak
