#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <vector>

#include <dirent.h>
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
int FileSystemCalls::link(const char* from, const char* to)
{
    return ::link(from, to);
}

namespace {
// Tries of temporary names before giving up when leftovers of other writers exist.
constexpr int kTemporaryNameTries = 100;
// Links followed before a chain counts as a loop (the kernel's own limit).
constexpr int kMaxLinks = 40;
constexpr const char* kTemporaryInfix = ".tmp-";

std::string folderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}
} // namespace

Result<std::string> replacementTarget(const std::string& path)
{
    std::string at = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info { };
        if (::lstat(at.c_str(), &info) != 0) {
            if (errno == ENOENT)
                return at;
            return systemError("cannot look at", at, errno);
        }
        if (S_ISREG(info.st_mode))
            return at;
        if (!S_ISLNK(info.st_mode))
            return Error { ErrorKind::WrongFileType, at + " is not a regular file" };
        std::vector<char> text(std::size_t(info.st_size > 0 ? info.st_size : 255) + 1);
        ssize_t length = ::readlink(at.c_str(), text.data(), text.size());
        if (length < 0)
            return systemError("cannot read the link", at, errno);
        if (std::size_t(length) >= text.size()) {
            --links; // the link changed under us: read it again
            continue;
        }
        std::string next(text.data(), std::size_t(length));
        at = next.front() == '/' ? next : folderOf(at) + "/" + next;
    }
    return systemError("cannot follow", path, ELOOP);
}

TemporaryFile::TemporaryFile(std::string name, int fd, FileSystemCalls& calls)
    : m_name(std::move(name))
    , m_fd(fd)
    , m_calls(&calls)
{
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : m_name(std::move(other.m_name))
    , m_fd(other.m_fd)
    , m_committed(other.m_committed)
    , m_calls(other.m_calls)
{
    other.m_fd = -1;
    other.m_committed = true;
}

TemporaryFile::~TemporaryFile()
{
    if (m_fd >= 0)
        m_calls->close(m_fd);
    if (!m_committed)
        m_calls->unlink(m_name.c_str());
}

Result<TemporaryFile> TemporaryFile::create(
    const std::string& target, mode_t mode, FileSystemCalls& calls, bool exactMode)
{
    static std::atomic<unsigned> counter { 0 };
    std::string name;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        name =
            target + kTemporaryInfix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        int fd = calls.open(
            name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 07777);
        if (fd >= 0) {
            // Best effort: a copy keeps its original's bits, whatever the umask took.
            if (exactMode)
                static_cast<void>(::fchmod(fd, mode & 07777));
            return TemporaryFile(name, fd, calls);
        }
        if (errno != EEXIST)
            return systemError("cannot create", name, errno);
    }
    return systemError("cannot create", name, EEXIST);
}

Status TemporaryFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = m_calls->write(m_fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return systemError("cannot write", m_name, written < 0 ? errno : ENOSPC);
        bytes.remove_prefix(std::size_t(written));
    }
    return {};
}

Status TemporaryFile::finish()
{
    if (m_calls->fsync(m_fd) != 0)
        return systemError("cannot sync", m_name, errno);
    int closed = m_calls->close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return systemError("cannot close", m_name, errno);
    return {};
}

Status TemporaryFile::commit(const std::string& target)
{
    if (m_calls->rename(m_name.c_str(), target.c_str()) != 0)
        return systemError("cannot rename over", target, errno);
    m_committed = true;
    // The rename itself lasts only once the folder entry is on disk.
    syncFolderOf(target, *m_calls);
    return {};
}

void syncFolderOf(const std::string& path, FileSystemCalls& calls)
{
    int folder = calls.open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (folder >= 0) {
        calls.fsync(folder);
        calls.close(folder);
    }
}

void removeLeftoverTemporaries(
    const std::string& target, const std::string& keep, FileSystemCalls& calls)
{
    const std::string folder = folderOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = base + kTemporaryInfix;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name(entry->d_name);
        bool ours = name == base + ".tmp";
        if (!ours && name.substr(0, prefix.size()) == prefix) {
            std::string_view number = name.substr(prefix.size());
            std::size_t dash = number.find('-');
            ours = dash != std::string_view::npos && isDigits(number.substr(0, dash)) &&
                isDigits(number.substr(dash + 1));
        }
        if (ours && folder + "/" + std::string(name) != keep && name != keep)
            leftovers.push_back(folder + "/" + std::string(name));
    }
    ::closedir(dir);
    for (const std::string& path : leftovers) {
        struct stat info { };
        // Only files: a folder or device of that name is someone else's.
        if (::lstat(path.c_str(), &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)))
            calls.unlink(path.c_str());
    }
}

Status writeFileAtomically(
    const std::string& path, std::string_view contents, mode_t mode, FileSystemCalls* calls)
{
    FileSystemCalls posix;
    FileSystemCalls& sys = calls ? *calls : posix;
    Result<std::string> target = replacementTarget(path);
    if (!target)
        return target.error();
    Result<TemporaryFile> temporary = TemporaryFile::create(*target, mode, sys);
    if (!temporary)
        return temporary.error();
    if (Status written = temporary->write(contents); !written)
        return written;
    if (Status finished = temporary->finish(); !finished)
        return finished;
    return temporary->commit(*target);
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
