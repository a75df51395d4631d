#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>

#include "base/Error.h"

namespace velmorak {

// The system calls writeFileAtomically makes, so that tests can make any of them fail.
// The defaults call the POSIX functions of the same names.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
};

// Replaces the file at `path` with `contents` so that the file always holds either its old
// or its new contents, whatever fails when: the bytes go to a new file in the same folder,
// every write is checked, the new file is synced and closed, renamed over the old name, and
// the folder is synced. On failure the temporary file is removed and the old file is left
// as it was. The new file gets `mode` (less the umask).
//
// On failure the error's message names the step, the file and the system's reason.
Status writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode = 0644,
    FileSystemCalls* calls = nullptr);

// Creates a folder and its missing parents with `mode`; true when it exists afterwards.
bool makeDirectories(const std::string& path, mode_t mode);

} // namespace velmorak
