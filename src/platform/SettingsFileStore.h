#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "base/RegularFile.h"
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
// A missing file reads as an empty key. A file that exists but cannot be read (or is not a
// regular file) is never overwritten: writes then fail. Every write, and every group of
// writes, holds the file's lock (FileLock) from reading to replacing, so two programs
// changing different values at once both keep their change; under that lock a replacement
// also removes the temporary files that killed writes left beside the file.
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
    // Fails with the reason when the file exists but cannot be read (reads then give
    // nothing, so a caller listing values would show defaults).
    Status checkReadable();
    // How long a write waits for another holder of the lock before it fails.
    void setLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }
    // The outcome of the last write (or of a read that failed): why it failed, or success.
    const Status& lastStatus() const { return m_last; }

private:
    bool replaceFile(const RegistryFile& file);
    // The file's text; an empty text for a missing file; nullopt when it cannot be read.
    Result<std::string> readFile();
    bool lock();

    std::string m_path;
    FileSystemCalls* m_calls;
    Status m_last;
    int m_batchDepth = 0;
    // The file being changed by grouped writes; empty when it could not be read.
    std::optional<RegistryFile> m_batch;
    bool m_batchChanged = false;
    bool m_batchFailed = false;
    std::optional<FileLock> m_lock;
    std::chrono::milliseconds m_lockWait { 5000 };
};

// $VELMORAK_CONFIG, else $XDG_CONFIG_HOME/Brindleworks/Velmorak/settings.reg, else
// ~/.config/Brindleworks/Velmorak/settings.reg (home from $HOME or the password database).
std::string defaultSettingsPath();

} // namespace velmorak
