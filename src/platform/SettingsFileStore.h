#pragma once

#include <string>

#include "settings/SettingsStore.h"

namespace velmorak {

class FileSystemCalls;

// The settings key kept in a registry-export text file (settings/RegistryFile.h). Every read
// reads and parses the file; every write reads it, changes the one value and replaces the
// file atomically, so lines and values this version does not know survive. The file and its
// folder are private to the user (0600, 0700): the file may hold server passwords.
//
// A missing file reads as an empty key. A file that exists but cannot be read is never
// overwritten: writes then fail.
class SettingsFileStore : public SettingsStore {
public:
    // Files larger than this are not settings files; they are neither read nor replaced.
    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

    // `calls` (optional, for tests) must outlive the store.
    explicit SettingsFileStore(std::string path, FileSystemCalls* calls = nullptr);

    std::optional<RegistryValue> readValue(std::string_view name) override;
    bool writeValue(std::string_view name, const RegistryValue& value) override;

    const std::string& path() const { return m_path; }
    // Why the last failed write failed; empty after a success.
    const std::string& lastError() const { return m_lastError; }

private:
    // The file's text; an empty text for a missing file; nullopt when it cannot be read.
    std::optional<std::string> readFile();

    std::string m_path;
    FileSystemCalls* m_calls;
    std::string m_lastError;
};

// $VELMORAK_CONFIG, else $XDG_CONFIG_HOME/Brindleworks/Velmorak/settings.reg, else
// ~/.config/Brindleworks/Velmorak/settings.reg (home from $HOME or the password database).
std::string defaultSettingsPath();

} // namespace velmorak
