#pragma once

#include <chrono>
#include <string>

#include <sys/stat.h>

#include "base/Error.h"

namespace velmorak {

class Clock;
class FileSystemCalls;

// Opens a regular file (following links) with `flags` (O_RDONLY, O_RDWR, ...; O_CLOEXEC is
// added). A FIFO, device, folder or socket is refused (WrongFileType) without blocking and
// without side effects of opening it for long: the open itself does not wait for a FIFO's
// other end. The caller owns the descriptor.
Result<int> openRegularFile(
    const std::string& path, int flags = 0, mode_t mode = 0644, FileSystemCalls* calls = nullptr);

// An exclusive advisory lock (flock) on a regular file, held until destruction. Every change
// this program makes to a shared file (appending, rewriting a database, changing a settings
// file) takes it first, so two such changes never interleave, whether made by two windows or
// by the program and velmorak-cli. Programs that take no lock are caught by comparing the
// file's identity under the lock.
//
// The lock is on the file, not the name: when another writer replaced the file while we
// waited, the lock is taken again on the file now under the name. The file is opened for
// reading and writing (so a file without write permission is refused, and so is one whose
// mode grants writing to nobody, even to a superuser): fd() serves for reading and appending.
class FileLock {
public:
    struct Options {
        bool create = false; // create a missing file (with `mode`)
        bool append = false; // open with O_APPEND
        mode_t mode = 0644;
        // Waiting for another holder ends with a Conflict error after this long.
        std::chrono::milliseconds wait { 5000 };
        // Measures that wait and sleeps between tries; null for the system clock.
        Clock* clock = nullptr;
    };

    static Result<FileLock> acquire(
        const std::string& path, const Options& options, FileSystemCalls* calls = nullptr);
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    ~FileLock();

    int fd() const { return m_fd; }
    // The file's state when the lock was taken.
    const struct stat& info() const { return m_info; }
    // Unlocks and closes now.
    void release();

private:
    FileLock(int fd, const struct stat& info, FileSystemCalls* calls);
    int m_fd = -1;
    struct stat m_info { };
    FileSystemCalls* m_calls = nullptr;
};

} // namespace velmorak
