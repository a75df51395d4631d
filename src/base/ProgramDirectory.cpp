#include "ProgramDirectory.h"

#include <climits>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace velmorak {

std::string programDirectory()
{
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(length));
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

// The installed layout is found relative to the executable rather than at a prefix fixed
// at build time, so that a tree moved elsewhere or unpacked from a package still runs.
std::string installedOrBeside(const std::string& executableFolder, const char* relative)
{
    std::error_code error;
    std::filesystem::path installed = std::filesystem::path(executableFolder) / relative;
    if (std::filesystem::is_directory(installed, error))
        return installed.lexically_normal().string();
    return executableFolder;
}

} // namespace

std::string dataDirectoryFor(const std::string& executableFolder)
{
    return installedOrBeside(executableFolder, "../share/velmorak");
}

std::string pluginDirectoryFor(const std::string& executableFolder)
{
    return installedOrBeside(executableFolder, "../lib/velmorak/engines");
}

std::string dataDirectory()
{
    return dataDirectoryFor(programDirectory());
}

std::string pluginDirectory()
{
    return pluginDirectoryFor(programDirectory());
}

} // namespace velmorak

namespace velmorak {

Result<std::string> installShippedFile(
    const std::string& programFolder, const std::string& fileName, const std::string& targetFolder)
{
    namespace fs = std::filesystem;
    std::string target = targetFolder + "/" + fileName;
    std::error_code error;
    if (fs::exists(target, error))
        return target;
    fs::path source = fs::path(programFolder) / fileName;
    if (!fs::is_regular_file(source, error))
        return Error { ErrorKind::NotFound, "no " + fileName + " at " + source.string() };
    fs::create_directories(targetFolder, error);
    std::string temporary = target + ".tmp";
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, error);
    if (!error)
        fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return Error { ErrorKind::Io,
            "cannot copy " + source.string() + " to " + target + ": " + error.message() };
    }
    return target;
}

} // namespace velmorak
