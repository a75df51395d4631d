// VelmoEngine.vme: the default engine plug-in, a bridge from the plug-in contract to a UCI
// engine in a child process (Stockfish unless VelmoEngine.ini beside this library or
// $VELMORAK_UCI_ENGINE names another).
#include <filesystem>
#include <memory>
#include <mutex>

#include <dlfcn.h>

#include "engine/EnginePlugin.h"
#include "engine/UciBridge.h"

using velmorak::UciBridge;
using velmorak::UciBridgeConfig;

namespace {

std::mutex g_bridgeMutex;
std::unique_ptr<UciBridge> g_bridge;

std::string iniPath()
{
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void*>(&StartEngine), &info) == 0 || !info.dli_fname)
        return "VelmoEngine.ini";
    return (std::filesystem::path(info.dli_fname).parent_path() / "VelmoEngine.ini").string();
}

UciBridge& bridge()
{
    std::lock_guard lock(g_bridgeMutex);
    if (!g_bridge)
        g_bridge = std::make_unique<UciBridge>(UciBridgeConfig::load(iniPath()));
    return *g_bridge;
}

} // namespace

extern "C" {

void StartEngine(int hashSizeKb, const EngineCallbacks* callbacks)
{
    {
        // Each engine thread reads the settings afresh.
        std::lock_guard lock(g_bridgeMutex);
        g_bridge = std::make_unique<UciBridge>(UciBridgeConfig::load(iniPath()));
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

} // extern "C"
