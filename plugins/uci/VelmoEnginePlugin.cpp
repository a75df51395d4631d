// VelmoEngine.vme: the default engine plug-in, a bridge from the plug-in contract to a UCI
// engine in a child process (Stockfish unless the ini file beside this library or
// $VELMORAK_UCI_ENGINE names another). The ini file is named after the library itself, so
// that copies or links of it (X.vme reading X.ini) offer several engines side by side.
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include <dlfcn.h>

#include "engine/EnginePlugin.h"
#include "engine/UciBridge.h"

using velmorak::UciBridge;
using velmorak::UciBridgeConfig;

namespace {

std::mutex g_bridgeMutex;
std::unique_ptr<UciBridge> g_bridge;
std::string g_errorText;

std::string iniPath()
{
    // dladdr names the library by the path it was opened with, so a link keeps its own name.
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void*>(&StartEngine), &info) == 0 || !info.dli_fname)
        return "VelmoEngine.ini";
    return std::filesystem::path(info.dli_fname).replace_extension(".ini").string();
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

int GetParameterList(char* buffer, int bufferSize)
{
    if (buffer && bufferSize > 0)
        buffer[0] = '\0';
    return 0;
}

int SetParameter(const char*, const char*)
{
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
