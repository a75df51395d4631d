#include "SettingsFileStore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/AtomicFile.h"
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

std::optional<std::string> SettingsFileStore::readFile()
{
    struct stat info { };
    if (::stat(m_path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return std::string();
        m_lastError = "cannot read " + m_path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode) || static_cast<std::size_t>(info.st_size) > kMaxFileSize) {
        m_lastError = m_path + " is not a settings file";
        return std::nullopt;
    }
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        m_lastError = "cannot read " + m_path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(info.st_size));
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        m_lastError = "cannot read " + m_path;
        return std::nullopt;
    }
    return text;
}

std::optional<RegistryValue> SettingsFileStore::readValue(std::string_view name)
{
    if (m_batchDepth > 0)
        return m_batch ? m_batch->value(name) : std::nullopt;
    std::optional<std::string> text = readFile();
    if (!text)
        return std::nullopt;
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
    m_lastError.clear();
    std::optional<std::string> text = readFile();
    if (!text)
        return false;
    RegistryFile file;
    file.parse(*text);
    if (!file.setValue(name, value)) {
        m_lastError = "the value " + std::string(name) + " cannot be stored in a settings file";
        return false;
    }
    return replaceFile(file);
}

void SettingsFileStore::beginWrites()
{
    if (m_batchDepth++ > 0)
        return;
    m_lastError.clear();
    m_batch.reset();
    m_batchChanged = false;
    m_batchFailed = false;
    if (std::optional<std::string> text = readFile()) {
        m_batch.emplace();
        m_batch->parse(*text);
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
    return stored;
}

bool SettingsFileStore::replaceFile(const RegistryFile& file)
{
    std::size_t slash = m_path.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        !makeDirectories(m_path.substr(0, slash), kFolderMode)) {
        m_lastError = "cannot create the folder of " + m_path + ": " + std::strerror(errno);
        return false;
    }
    // A settings file kept elsewhere and linked here stays linked: the link's target is
    // replaced, not the link.
    std::string target = m_path;
    struct stat link { };
    if (::lstat(m_path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(m_path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    if (Status written = writeFileAtomically(target, file.text(), kFileMode, m_calls); !written) {
        m_lastError = written.error().message;
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
