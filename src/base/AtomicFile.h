#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>

#include "base/Error.h"

namespace velmorak {

// The system calls that replacing a file makes, so that tests can make any of them fail or
// stop a replacement between two steps. The defaults call the POSIX functions of the same
// names.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
    virtual int link(const char* from, const char* to);
};

// The file that replacing `path` must replace: `path` itself or, when it is a symbolic link,
// the file at the end of its chain of links (which need not exist yet), so that a link
// stays a link and its target gets the new contents. Fails (WrongFileType) when that is
// anything but a regular file or nothing: a folder, device, FIFO or socket is never
// replaced.
Result<std::string> replacementTarget(const std::string& path);

// A new file beside `target`, named target + ".tmp-" + a number no one else uses, created
// with O_EXCL|O_NOFOLLOW so that nothing planted under that name (a link above all) is
// ever opened. Removed again by the destructor unless it was committed.
class TemporaryFile {
public:
    // The file gets `mode` less the umask, or exactly `mode` when `exactMode`.
    static Result<TemporaryFile> create(
        const std::string& target, mode_t mode, FileSystemCalls& calls, bool exactMode = false);
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    ~TemporaryFile();

    const std::string& name() const { return m_name; }
    // Writes every byte (short writes are continued).
    Status write(std::string_view bytes);
    // Syncs and closes the file: after this its contents are on the disk.
    Status finish();
    // Renames the finished file over `target` and syncs the folder.
    Status commit(const std::string& target);

private:
    TemporaryFile(std::string name, int fd, FileSystemCalls& calls);
    std::string m_name;
    int m_fd = -1;
    bool m_committed = false;
    FileSystemCalls* m_calls;
};

// Syncs the folder holding `path`, so that a rename there lasts.
void syncFolderOf(const std::string& path, FileSystemCalls& calls);

// Removes what crashed replacements of `target` left beside it: files named as
// TemporaryFile names them, and target + ".tmp" (the fixed name of older versions), except
// `keep`. Only safe while holding the lock every writer of `target` takes (FileLock).
void removeLeftoverTemporaries(
    const std::string& target, const std::string& keep, FileSystemCalls& calls);

// Replaces the file at `path` with `contents` so that the file always holds either its old
// or its new contents, whatever fails when: the bytes go to a new file in the same folder,
// every write is checked, the new file is synced and closed, renamed over the old name, and
// the folder is synced. On failure the temporary file is removed and the old file is left
// as it was. A symbolic link is followed (its target is replaced); anything but a regular
// file is refused. The new file gets `mode` (less the umask).
//
// On failure the error's message names the step, the file and the system's reason.
Status writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode = 0644,
    FileSystemCalls* calls = nullptr);

// Creates a folder and its missing parents with `mode`; true when it exists afterwards.
bool makeDirectories(const std::string& path, mode_t mode);

} // namespace velmorak
