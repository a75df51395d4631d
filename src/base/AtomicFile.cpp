#include "AtomicFile.h"

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmorak {

int FileSystemCalls::open(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}
ssize_t FileSystemCalls::write(int fd, const void* data, std::size_t size)
{
    return ::write(fd, data, size);
}
int FileSystemCalls::fsync(int fd)
{
    return ::fsync(fd);
}
int FileSystemCalls::close(int fd)
{
    return ::close(fd);
}
int FileSystemCalls::rename(const char* from, const char* to)
{
    return ::rename(from, to);
}
int FileSystemCalls::unlink(const char* path)
{
    return ::unlink(path);
}

namespace {
// Tries of temporary names before giving up when leftovers of other writers exist.
constexpr int kTemporaryNameTries = 100;

std::string folderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
} // namespace

Status writeFileAtomically(
    const std::string& path, std::string_view contents, mode_t mode, FileSystemCalls* calls)
{
    FileSystemCalls posix;
    FileSystemCalls& sys = calls ? *calls : posix;
    static std::atomic<unsigned> counter { 0 };

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameTries && fd < 0; ++attempt) {
        temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = sys.open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST)
            return systemError("cannot create", temporary, errno);
    }
    if (fd < 0)
        return systemError("cannot create", temporary, EEXIST);

    auto abandon = [&](const char* step, const std::string& name, int error) {
        if (fd >= 0)
            sys.close(fd);
        sys.unlink(temporary.c_str());
        return systemError(step, name, error);
    };

    const char* data = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        ssize_t written = sys.write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return abandon("cannot write", temporary, written < 0 ? errno : ENOSPC);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (sys.fsync(fd) != 0)
        return abandon("cannot sync", temporary, errno);
    int closed = sys.close(fd);
    fd = -1;
    if (closed != 0)
        return abandon("cannot close", temporary, errno);
    if (sys.rename(temporary.c_str(), path.c_str()) != 0)
        return abandon("cannot rename over", path, errno);

    // The rename itself lasts only once the folder entry is on disk.
    int folder = sys.open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (folder >= 0) {
        sys.fsync(folder);
        sys.close(folder);
    }
    return {};
}

bool makeDirectories(const std::string& path, mode_t mode)
{
    if (path.empty())
        return false;
    struct stat info { };
    if (::stat(path.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectories(path.substr(0, slash), mode))
        return false;
    return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

} // namespace velmorak
