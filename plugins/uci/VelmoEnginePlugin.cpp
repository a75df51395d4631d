// VelmoEngine.vme: the default engine plug-in, a bridge from the plug-in contract to a UCI
// engine in a child process (Stockfish unless the ini file beside this library or
// $VELMORAK_UCI_ENGINE names another). The ini file is named after the library itself, so
// that copies or links of it (X.vme reading X.ini) offer several engines side by side. When
// the plug-in is installed where the user cannot write, the user's strength settings go to
// a copy of the ini file in the "engines" folder beside the settings file.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

#include "engine/EngineParameters.h"
#include "engine/EnginePlugin.h"
#include "engine/UciBridge.h"
#include "platform/SettingsFileStore.h"

using velmorak::UciBridge;
using velmorak::UciBridgeConfig;

namespace {

std::mutex g_bridgeMutex;
std::unique_ptr<UciBridge> g_bridge;
std::string g_errorText;

std::string shippedIniPath()
{
    // dladdr names the library by the path it was opened with, so a link keeps its own name.
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void*>(&StartEngine), &info) == 0 || !info.dli_fname)
        return "VelmoEngine.ini";
    return std::filesystem::path(info.dli_fname).replace_extension(".ini").string();
}

std::string userIniFolder()
{
    return std::filesystem::path(velmorak::defaultSettingsPath()).parent_path().string() +
        "/engines";
}

std::string iniPath()
{
    return velmorak::engineIniToRead(shippedIniPath(), userIniFolder());
}

// The shipped file is writable when the file itself is, or, while it does not exist, its
// folder.
bool shippedIniWritable(const std::string& shipped)
{
    if (::access(shipped.c_str(), W_OK) == 0)
        return true;
    const std::string folder = std::filesystem::path(shipped).parent_path().string();
    return errno == ENOENT && ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

UciBridge& bridge()
{
    std::lock_guard lock(g_bridgeMutex);
    if (!g_bridge)
        g_bridge =
            std::make_unique<UciBridge>(UciBridgeConfig::load(iniPath()), velmorak::systemClock());
    return *g_bridge;
}

} // namespace

extern "C" {

void StartEngine(int hashSizeKb, const EngineCallbacks* callbacks)
{
    {
        // Each engine thread reads the settings afresh; an engine already started with the
        // same settings (to learn its name when the plug-in was loaded) is kept.
        std::lock_guard lock(g_bridgeMutex);
        UciBridgeConfig config = UciBridgeConfig::load(iniPath());
        if (!g_bridge || !(g_bridge->config() == config))
            g_bridge = std::make_unique<UciBridge>(std::move(config), velmorak::systemClock());
    }
    bridge().startEngine(hashSizeKb, callbacks);
}

void ExitEngine(void)
{
    bridge().exitEngine();
}
void StartAnalyse(int mode)
{
    bridge().startAnalyse(mode);
}
void StopAnalyse(void)
{
    bridge().stopAnalyse();
}
void SetPonderOff(void)
{
    bridge().setPonderOff();
}
void ClearHashtables(void)
{
    bridge().clearHashtables();
}
void SetPosition(const char* fen)
{
    bridge().setPosition(fen);
}
void EnterMove(const char* move)
{
    bridge().enterMove(move);
}
void SetBook(const char* path, int mode)
{
    bridge().setBook(path, mode);
}
void SetTimeControl(int moves, int seconds)
{
    bridge().setTimeControl(moves, seconds);
}
void SetLevel(int movesToGo, int secondsLeft, int increment, int maxDepth)
{
    bridge().setLevel(movesToGo, secondsLeft, increment, maxDepth);
}
const char* GetEngineName(void)
{
    return bridge().engineName();
}

// The strength settings the engine offers (formatEngineParameters); the number of them, or
// -1 when the buffer is too small for the text and its terminator.
int GetParameterList(char* buffer, int bufferSize)
{
    const std::vector<velmorak::EngineParameter> parameters = bridge().strengthParameters();
    const std::string text = velmorak::formatEngineParameters(parameters);
    if (!buffer || bufferSize <= 0 || text.size() >= std::size_t(bufferSize))
        return -1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return int(parameters.size());
}

// Stores a strength setting in this plug-in's ini file ("true"/"false" for a check, a number
// in range for a spin); the next StartEngine starts the engine with it. 0 when stored, -1
// for a name not offered or a value out of range, -2 when the file could not be written.
int SetParameter(const char* name, const char* value)
{
    if (!name || !value)
        return -1;
    for (const velmorak::EngineParameter& parameter : bridge().strengthParameters()) {
        if (parameter.name != name)
            continue;
        std::string text = value;
        if (parameter.check ? text != "true" && text != "false"
                            : !velmorak::isNumberIn(text, parameter.minimum, parameter.maximum))
            return -1;
        const std::string shipped = shippedIniPath();
        velmorak::Result<std::string> ini =
            velmorak::engineIniToWrite(shipped, userIniFolder(), shippedIniWritable(shipped));
        return ini && velmorak::storeIniOption(*ini, name, text) ? 0 : -2;
    }
    return -1;
}
int GetInterfaceVersion(void)
{
    return 1;
}

const char* GetEngineError(void)
{
    // The text must stay put until the next call; the host asks from one thread at a time.
    std::string text = bridge().lastError();
    std::lock_guard lock(g_bridgeMutex);
    g_errorText = std::move(text);
    return g_errorText.c_str();
}

} // extern "C"
