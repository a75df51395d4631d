#include "SettingsFileStore.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/AtomicFile.h"
#include "base/RegularFile.h"
#include "settings/RegistryFile.h"

namespace velmorak {

namespace {
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;
constexpr const char* kRelativePath = "/Brindleworks/Velmorak/settings.reg";

std::string nonEmpty(const char* value)
{
    return value && *value ? value : "";
}
} // namespace

SettingsFileStore::SettingsFileStore(std::string path, FileSystemCalls* calls)
    : m_path(std::move(path))
    , m_calls(calls)
{
}

Result<std::string> SettingsFileStore::readFile()
{
    Result<int> opened = openRegularFile(m_path, O_RDONLY);
    if (!opened) {
        if (opened.error().kind == ErrorKind::NotFound)
            return std::string();
        return opened.error();
    }
    const int fd = *opened;
    const Error notSettings { ErrorKind::InvalidInput, m_path + " is not a settings file" };
    struct stat info { };
    if (::fstat(fd, &info) != 0 || static_cast<std::size_t>(info.st_size) > kMaxFileSize) {
        ::close(fd);
        return notSettings;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || text.size() + std::size_t(got) > kMaxFileSize) {
            Error error = got < 0 ? systemError("cannot read", m_path, errno) : notSettings;
            ::close(fd);
            return error;
        }
        if (got == 0)
            break;
        text.append(buffer, std::size_t(got));
    }
    ::close(fd);
    return text;
}

Status SettingsFileStore::checkReadable()
{
    Result<std::string> text = readFile();
    if (!text)
        return text.error();
    return {};
}

bool SettingsFileStore::lock()
{
    std::size_t slash = m_path.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        !makeDirectories(m_path.substr(0, slash), kFolderMode)) {
        m_last = systemError("cannot create the folder of", m_path, errno);
        return false;
    }
    Result<std::string> target = replacementTarget(m_path);
    if (!target) {
        m_last = target.error();
        return false;
    }
    FileLock::Options options;
    options.create = true;
    options.mode = kFileMode;
    options.wait = m_lockWait;
    Result<FileLock> lock = FileLock::acquire(*target, options, m_calls);
    if (!lock) {
        m_last = lock.error();
        return false;
    }
    m_lock.emplace(std::move(*lock));
    return true;
}

std::optional<RegistryValue> SettingsFileStore::readValue(std::string_view name)
{
    if (m_batchDepth > 0)
        return m_batch ? m_batch->value(name) : std::nullopt;
    Result<std::string> text = readFile();
    if (!text) {
        m_last = text.error();
        return std::nullopt;
    }
    RegistryFile file;
    file.parse(*text);
    return file.value(name);
}

bool SettingsFileStore::writeValue(std::string_view name, const RegistryValue& value)
{
    if (m_batchDepth > 0) {
        if (!m_batch || !m_batch->setValue(name, value)) {
            m_batchFailed = true;
            return false;
        }
        m_batchChanged = true;
        return true;
    }
    m_last = {};
    // Read, change and replace under the lock: two writers at once must not lose a value.
    if (!lock())
        return false;
    Result<std::string> text = readFile();
    bool stored = false;
    RegistryFile file;
    if (!text) {
        m_last = text.error();
    } else {
        file.parse(*text);
        if (!file.setValue(name, value))
            m_last = Error { ErrorKind::LimitExceeded,
                "the value " + std::string(name) + " cannot be stored in a settings file" };
        else
            stored = replaceFile(file);
    }
    m_lock.reset();
    return stored;
}

void SettingsFileStore::beginWrites()
{
    if (m_batchDepth++ > 0)
        return;
    m_last = {};
    m_batch.reset();
    m_batchChanged = false;
    m_batchFailed = false;
    if (!lock())
        return;
    if (Result<std::string> text = readFile()) {
        m_batch.emplace();
        m_batch->parse(*text);
    } else {
        m_last = text.error();
    }
}

bool SettingsFileStore::endWrites()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return true;
    bool stored = !m_batchFailed;
    if (m_batch && m_batchChanged)
        stored = replaceFile(*m_batch) && stored;
    m_batch.reset();
    m_lock.reset();
    return stored;
}

bool SettingsFileStore::replaceFile(const RegistryFile& file)
{
    // A write killed half-way leaves its temporary file behind: a copy of the settings,
    // passwords included. Under the lock no other write is under way, so any such file is
    // a leftover.
    if (Result<std::string> target = replacementTarget(m_path)) {
        FileSystemCalls posix;
        removeLeftoverTemporaries(*target, {}, m_calls ? *m_calls : posix);
    }
    // A settings file kept elsewhere and linked here stays linked: the link's target is
    // replaced, not the link.
    Status written = writeFileAtomically(m_path, file.text(), kFileMode, m_calls);
    if (!written) {
        m_last = written.error();
        return false;
    }
    return true;
}

std::string defaultSettingsPath()
{
    if (std::string path = nonEmpty(std::getenv("VELMORAK_CONFIG")); !path.empty())
        return path;
    if (std::string config = nonEmpty(std::getenv("XDG_CONFIG_HOME")); !config.empty())
        return config + kRelativePath;
    std::string home = nonEmpty(std::getenv("HOME"));
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()))
            home = nonEmpty(entry->pw_dir);
    }
    std::string path = home.empty() ? std::string(".") : home;
    path.append("/.config").append(kRelativePath);
    return path;
}

} // namespace velmorak
