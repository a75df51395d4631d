#include "engine/EnginePluginHost.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <dlfcn.h>
#include <unistd.h>

#include "base/ProgramDirectory.h"

namespace velmorak {

namespace {

// The acute accent where an apostrophe would be expected is the program's own spelling.
constexpr const char* kLoadFailedFormat = "Couldn\xC2\xB4t load '%s'. Error #%d";
constexpr const char* kOutOfMemoryFormat = "Our of memory. Couldn\xC2\xB4t load '%s'.";

std::string format(const char* pattern, const std::string& path, int code = 0)
{
    std::string text(path.size() + 64, '\0');
    int length = std::snprintf(text.data(), text.size(), pattern, path.c_str(), code);
    text.resize(length > 0 ? std::min<std::size_t>(std::size_t(length), text.size() - 1) : 0);
    return text;
}

// dlopen reports failures as text only; recover the system error it stands for.
int loadErrorCode(const std::string& path, const char* message)
{
    if (::access(path.c_str(), R_OK) != 0)
        return errno;
    if (message && std::strstr(message, "annot allocate memory"))
        return ENOMEM;
    return ENOEXEC;
}

template <typename Function> bool lookUp(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

} // namespace

bool resolvePluginFunctions(void* library, EnginePluginFunctions& f)
{
    int missing = 0;
    missing += !lookUp(library, "StartEngine", f.startEngine);
    missing += !lookUp(library, "ExitEngine", f.exitEngine);
    missing += !lookUp(library, "StartAnalyse", f.startAnalyse);
    missing += !lookUp(library, "StopAnalyse", f.stopAnalyse);
    missing += !lookUp(library, "SetPonderOff", f.setPonderOff);
    missing += !lookUp(library, "ClearHashtables", f.clearHashtables);
    missing += !lookUp(library, "SetPosition", f.setPosition);
    missing += !lookUp(library, "EnterMove", f.enterMove);
    missing += !lookUp(library, "SetBook", f.setBook);
    missing += !lookUp(library, "SetTimeControl", f.setTimeControl);
    missing += !lookUp(library, "SetLevel", f.setLevel);
    missing += !lookUp(library, "GetEngineName", f.getEngineName);
    missing += !lookUp(library, "GetParameterList", f.getParameterList);
    missing += !lookUp(library, "SetParameter", f.setParameter);
    missing += !lookUp(library, "GetInterfaceVersion", f.getInterfaceVersion);
    lookUp(library, "GetEngineError", f.getEngineError);
    bool complete = missing == 0;
    if (!complete)
        f = EnginePluginFunctions {};
    return complete;
}

EnginePluginHost::EnginePluginHost(const Clock& clock, std::string folder, MessageSink messages)
    : m_folder(folder.empty() ? pluginDirectory() : std::move(folder))
    , m_messages(std::move(messages))
    , m_output(clock)
{
}

EnginePluginHost::~EnginePluginHost()
{
    unload();
}

std::vector<std::string> EnginePluginHost::pluginFiles() const
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder, error)) {
        std::string name = entry.path().filename().string();
        if (endsWith(name, kPluginExtension) && entry.is_regular_file(error))
            files.push_back(entry.path().string());
    }
    // Directory order is arbitrary; name order makes "the first file found" repeatable.
    std::sort(files.begin(), files.end());
    return files;
}

void* EnginePluginHost::openLibrary(const std::string& path, bool reportEveryFailure)
{
    ::dlerror();
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library)
        return library;
    int code = loadErrorCode(path, ::dlerror());
    if (!m_messages)
        return nullptr;
    if (code == ENOMEM)
        m_messages(format(kOutOfMemoryFormat, path));
    else if (reportEveryFailure)
        m_messages(format(kLoadFailedFormat, path, code));
    return nullptr;
}

std::vector<std::string> EnginePluginHost::listPlugins()
{
    std::vector<std::string> names;
    for (const std::string& path : pluginFiles()) {
        void* library = openLibrary(path, false);
        if (!library)
            continue;
        GetEngineNameFunction getName = nullptr;
        if (lookUp(library, "GetEngineName", getName)) {
            const char* name = getName();
            names.emplace_back(name ? name : "");
        }
        ::dlclose(library);
    }
    return names;
}

std::vector<EngineParameter> EnginePluginHost::parameters() const
{
    if (!m_functions.getParameterList)
        return {};
    std::vector<char> buffer(4096, '\0');
    if (m_functions.getParameterList(buffer.data(), int(buffer.size())) <= 0)
        return {};
    buffer.back() = '\0';
    return parseEngineParameters(buffer.data());
}

Status EnginePluginHost::setParameter(const std::string& name, const std::string& value)
{
    if (!m_functions.setParameter || m_functions.setParameter(name.c_str(), value.c_str()) != 0)
        return Error { ErrorKind::Io, "the engine did not take " + name + " " + value };
    return {};
}

std::string EnginePluginHost::engineError() const
{
    if (!m_functions.getEngineError)
        return {};
    const char* text = m_functions.getEngineError();
    if (!text)
        return {};
    std::string_view line(text);
    line = line.substr(0, line.find_first_of("\r\n"));
    return cutText(line, kMaxEngineErrorLength);
}

void EnginePluginHost::unload()
{
    if (!m_library)
        return;
    if (m_beforeUnload)
        m_beforeUnload();
    if (EngineOutput::reportTarget() == &m_output)
        EngineOutput::setReportTarget(nullptr);
    ::dlclose(m_library);
    m_library = nullptr;
    m_functions = EnginePluginFunctions {};
    m_engineName.clear();
    m_pluginPath.clear();
}

bool EnginePluginHost::load(std::string_view name)
{
    unload();

    // The matching library stays open from its probe on: opening it again then finds it
    // still loaded, with whatever it set up while it was asked for its name (a bridge's
    // started engine). The others are closed at once, so that a link to a plug-in is loaded
    // as a library of its own rather than found as the one it points to.
    void* library = nullptr;
    std::string chosen;
    // No plug-in is named by an empty text: the default is loaded without asking the others.
    for (const std::string& path : name.empty() ? std::vector<std::string> {} : pluginFiles()) {
        void* probe = openLibrary(path, false);
        if (!probe)
            continue;
        GetEngineNameFunction getName = nullptr;
        if (lookUp(probe, "GetEngineName", getName)) {
            const char* probeName = getName();
            if (probeName && name == probeName) {
                chosen = path;
                library = probe;
                break;
            }
        }
        ::dlclose(probe);
    }
    if (!library) {
        chosen = (std::filesystem::path(m_folder) / kDefaultPluginFile).string();
        library = openLibrary(chosen, true);
    }
    if (!library)
        return false;
    EnginePluginFunctions functions;
    if (!resolvePluginFunctions(library, functions)) {
        ::dlclose(library);
        return false;
    }
    m_library = library;
    m_functions = functions;
    m_pluginPath = chosen;
    const char* engineName = m_functions.getEngineName();
    m_engineName = engineName ? engineName : "";
    m_output.clear();
    EngineOutput::setReportTarget(&m_output);
    return true;
}

} // namespace velmorak
