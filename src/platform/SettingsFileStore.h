#pragma once

#include <string>

#include "settings/RegistryFile.h"
#include "settings/SettingsStore.h"

namespace velmorak {

class FileSystemCalls;

// The settings key kept in a registry-export text file (settings/RegistryFile.h). Every read
// reads and parses the file; every write reads it, changes the one value and replaces the
// file atomically, so lines and values this version does not know survive. Grouped writes
// (beginWrites .. endWrites: loading and saving all options) replace the file once, so the
// exit routine costs one synced write instead of one per option. The file and its folder
// are private to the user (0600, 0700): the file may hold server passwords.
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
    // Between these the file is read once, changed in memory and replaced once at the end.
    void beginWrites() override;
    bool endWrites() override;

    const std::string& path() const { return m_path; }
    // Why the last failed write failed; empty after a success.
    const std::string& lastError() const { return m_lastError; }

private:
    bool replaceFile(const RegistryFile& file);
    // The file's text; an empty text for a missing file; nullopt when it cannot be read.
    std::optional<std::string> readFile();

    std::string m_path;
    FileSystemCalls* m_calls;
    std::string m_lastError;
    int m_batchDepth = 0;
    // The file being changed by grouped writes; empty when it could not be read.
    std::optional<RegistryFile> m_batch;
    bool m_batchChanged = false;
    bool m_batchFailed = false;
};

// $VELMORAK_CONFIG, else $XDG_CONFIG_HOME/Brindleworks/Velmorak/settings.reg, else
// ~/.config/Brindleworks/Velmorak/settings.reg (home from $HOME or the password database).
std::string defaultSettingsPath();

} // namespace velmorak
