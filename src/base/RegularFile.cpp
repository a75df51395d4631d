#include "RegularFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/AtomicFile.h"
#include "base/Clock.h"

namespace velmorak {

namespace {
// Replacements by other writers that one acquire follows before it gives up.
constexpr int kMaxReplacedWhileWaiting = 100;
// Polling steps while another program holds a lock: short first, as locks are held briefly.
constexpr std::chrono::milliseconds kFirstPoll { 1 };
constexpr std::chrono::milliseconds kLongestPoll { 50 };

FileSystemCalls& callsOr(FileSystemCalls* calls)
{
    static FileSystemCalls posix;
    return calls ? *calls : posix;
}
} // namespace

Result<int> openRegularFile(const std::string& path, int flags, mode_t mode, FileSystemCalls* calls)
{
    FileSystemCalls& sys = callsOr(calls);
    int fd = sys.open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0)
        return systemError("cannot open", path, errno);
    struct stat info { };
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        sys.close(fd);
        return systemError("cannot open", path, error);
    }
    if (!S_ISREG(info.st_mode)) {
        sys.close(fd);
        return Error { ErrorKind::WrongFileType, path + " is not a regular file" };
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0)
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

FileLock::FileLock(int fd, const struct stat& info, FileSystemCalls* calls)
    : m_fd(fd)
    , m_info(info)
    , m_calls(calls)
{
}

FileLock::FileLock(FileLock&& other) noexcept
    : m_fd(other.m_fd)
    , m_info(other.m_info)
    , m_calls(other.m_calls)
{
    other.m_fd = -1;
}

FileLock::~FileLock()
{
    release();
}

void FileLock::release()
{
    // Closing the only descriptor of the open file releases its flock.
    if (m_fd >= 0)
        callsOr(m_calls).close(m_fd);
    m_fd = -1;
}

Result<FileLock> FileLock::acquire(
    const std::string& path, const Options& options, FileSystemCalls* calls)
{
    FileSystemCalls& sys = callsOr(calls);
    Clock& clock = options.clock ? *options.clock : systemClock();
    const std::int64_t deadline = clock.ticks() + options.wait.count();
    const int flags =
        O_RDWR | O_NOFOLLOW | (options.create ? O_CREAT : 0) | (options.append ? O_APPEND : 0);
    for (int replaced = 0; replaced < kMaxReplacedWhileWaiting; ++replaced) {
        Result<int> opened = openRegularFile(path, flags, options.mode, calls);
        if (!opened)
            return opened.error();
        const int fd = *opened;
        struct stat info { };
        ::fstat(fd, &info);
        if ((info.st_mode & 0222) == 0) {
            sys.close(fd);
            return Error { ErrorKind::PermissionDenied, path + " is read-only" };
        }
        auto poll = kFirstPoll;
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || clock.ticks() >= deadline) {
                const int error = errno;
                sys.close(fd);
                if (error == EWOULDBLOCK)
                    return Error { ErrorKind::Conflict, path + " is in use by another program" };
                return systemError("cannot lock", path, error);
            }
            clock.sleep(int(poll.count()));
            poll = std::min(poll * 2, kLongestPoll);
        }
        // The holder we waited for may have put a new file under the name: lock that one.
        struct stat now { };
        ::fstat(fd, &info);
        if (::stat(path.c_str(), &now) == 0 && now.st_dev == info.st_dev &&
            now.st_ino == info.st_ino)
            return FileLock(fd, info, calls);
        sys.close(fd);
    }
    return Error { ErrorKind::Conflict, path + " keeps being replaced by another program" };
}

} // namespace velmorak
