#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/EngineOutput.h"
#include "engine/EngineParameters.h"
#include "engine/EnginePlugin.h"

namespace velmorak {

// The fifteen exports of a loaded plug-in, and the optional ones (null when missing).
struct EnginePluginFunctions {
    StartEngineFunction startEngine = nullptr;
    VoidFunction exitEngine = nullptr;
    StartAnalyseFunction startAnalyse = nullptr;
    VoidFunction stopAnalyse = nullptr;
    VoidFunction setPonderOff = nullptr;
    VoidFunction clearHashtables = nullptr;
    TextFunction setPosition = nullptr;
    TextFunction enterMove = nullptr;
    SetBookFunction setBook = nullptr;
    SetTimeControlFunction setTimeControl = nullptr;
    SetLevelFunction setLevel = nullptr;
    GetEngineNameFunction getEngineName = nullptr;
    GetParameterListFunction getParameterList = nullptr;
    SetParameterFunction setParameter = nullptr;
    GetInterfaceVersionFunction getInterfaceVersion = nullptr;
    // Optional.
    GetEngineErrorFunction getEngineError = nullptr;
};

// Finds, loads and unloads engine plug-ins ("*.vme" shared libraries in one folder) and
// owns the engine output their reports go to. Exactly one plug-in is loaded at a time.
// Used from the interface thread; the engine thread only calls the plug-in's functions.
class EnginePluginHost {
public:
    static constexpr const char* kDefaultPluginFile = "VelmoEngine.vme";
    static constexpr const char* kPluginExtension = ".vme";
    // A plug-in's failure text is shown in a message box: longer texts are cut.
    static constexpr std::size_t kMaxEngineErrorLength = 1023;

    // Receives the texts of load failures (shown in a message box titled "Velmorak").
    using MessageSink = std::function<void(const std::string&)>;

    // `folder` holds the plug-ins; empty means the folder of the running executable. `clock`
    // times the engine's reports (EngineOutput) and must outlive the host.
    explicit EnginePluginHost(
        const Clock& clock, std::string folder = {}, MessageSink messages = {});
    ~EnginePluginHost();
    EnginePluginHost(const EnginePluginHost&) = delete;
    EnginePluginHost& operator=(const EnginePluginHost&) = delete;

    // Names of the plug-ins in the folder, in file-name order. A library that cannot be
    // loaded is skipped, except for lack of memory, which is reported.
    std::vector<std::string> listPlugins();

    // Unloads the current plug-in (after `beforeUnload`, which must stop and end the engine
    // thread), then loads the plug-in whose GetEngineName equals `name` (the first file, in
    // name order, when several do), else "VelmoEngine.vme". Reports a library that cannot be
    // loaded; a library lacking an export is refused silently. Clears the engine output and
    // makes it the target of the report table. The chosen library stays loaded from its
    // name probe on, so a plug-in that starts its engine to learn its name starts it once.
    // (A link to a plug-in is a library of its own only while its target is not loaded:
    // the system loads one file once, whatever the name.)
    bool load(std::string_view name);
    void unload();
    bool isLoaded() const { return m_library != nullptr; }

    // Called before a loaded plug-in is unloaded, to stop the search and end the engine
    // thread (which calls ExitEngine).
    void setBeforeUnload(std::function<void()> hook) { m_beforeUnload = std::move(hook); }

    const EnginePluginFunctions& functions() const { return m_functions; }
    const std::string& engineName() const { return m_engineName; }
    const std::string& pluginPath() const { return m_pluginPath; }
    const std::string& folder() const { return m_folder; }
    // The plug-in's account of its last failure (GetEngineError), cut to one line; empty
    // when it reports none or lacks that export.
    std::string engineError() const;
    // The loaded plug-in's own settings (GetParameterList); empty without a plug-in or when
    // it offers none.
    std::vector<EngineParameter> parameters() const;
    // Hands one of them to the plug-in (SetParameter), which keeps it for the engine's next
    // start; an error when it refuses.
    Status setParameter(const std::string& name, const std::string& value);
    EngineOutput& output() { return m_output; }
    const EngineOutput& output() const { return m_output; }
    // The table to hand to StartEngine.
    const EngineCallbacks* callbacks() const { return EngineOutput::reportTable(); }

private:
    std::vector<std::string> pluginFiles() const;
    void* openLibrary(const std::string& path, bool reportEveryFailure);

    std::string m_folder;
    MessageSink m_messages;
    std::function<void()> m_beforeUnload;
    void* m_library = nullptr;
    EnginePluginFunctions m_functions;
    std::string m_engineName;
    std::string m_pluginPath;
    EngineOutput m_output;
};

// Looks up all fifteen exports in an open library, and the optional ones; false, with
// `functions` all null, when any of the fifteen is missing.
bool resolvePluginFunctions(void* library, EnginePluginFunctions& functions);

} // namespace velmorak
