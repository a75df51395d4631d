#include "FailingFileCalls.h"

#include <algorithm>
#include <cerrno>

bool FailingFileCalls::fails(const char* name, int error)
{
    if (before)
        before(name);
    log.push_back(name);
    if (int(log.size()) - 1 == failAt || failCall == name) {
        errno = error;
        return true;
    }
    return false;
}

int FailingFileCalls::open(const char* path, int flags, mode_t mode)
{
    return fails("open") ? -1 : DatabaseFileCalls::open(path, flags, mode);
}

ssize_t FailingFileCalls::write(int fd, const void* data, std::size_t size)
{
    if (fails("write", ENOSPC))
        return -1;
    if (m_written >= writeLimit) {
        errno = ENOSPC;
        return -1;
    }
    size = std::min({ size, writeLimit - m_written, writeChunk });
    ssize_t done = DatabaseFileCalls::write(fd, data, size);
    if (done > 0)
        m_written += std::size_t(done);
    return done;
}

int FailingFileCalls::fsync(int fd)
{
    return fails("fsync") ? -1 : DatabaseFileCalls::fsync(fd);
}

int FailingFileCalls::close(int fd)
{
    // The descriptor is gone whatever close reports.
    int result = DatabaseFileCalls::close(fd);
    return fails("close") ? -1 : result;
}

int FailingFileCalls::rename(const char* from, const char* to)
{
    return fails("rename", EXDEV) ? -1 : DatabaseFileCalls::rename(from, to);
}

int FailingFileCalls::unlink(const char* path)
{
    return fails("unlink") ? -1 : DatabaseFileCalls::unlink(path);
}

int FailingFileCalls::link(const char* from, const char* to)
{
    if (fails("link"))
        return -1;
    if (noLinks) {
        errno = EPERM;
        return -1;
    }
    return DatabaseFileCalls::link(from, to);
}

ssize_t FailingFileCalls::pread(int fd, void* data, std::size_t size, std::int64_t offset)
{
    return fails("pread") ? -1 : DatabaseFileCalls::pread(fd, data, size, offset);
}
