/* A plug-in written in C from the public header alone. Built twice: with fourteen of the
 * fifteen exports (GetInterfaceVersion is missing), which the host must refuse without a
 * message, and with FIFTEEN_EXPORTS defined, all fifteen but not the optional
 * GetEngineError, which the host must load and do without. */
#include "engine/EnginePlugin.h"

void StartEngine(int hashSizeKb, const EngineCallbacks* callbacks) { }
void ExitEngine(void) { }
void StartAnalyse(int mode) { }
void StopAnalyse(void) { }
void SetPonderOff(void) { }
void ClearHashtables(void) { }
void SetPosition(const char* fen) { }
void EnterMove(const char* move) { }
void SetBook(const char* path, int mode) { }
void SetTimeControl(int moves, int seconds) { }
void SetLevel(int movesToGo, int secondsLeft, int increment, int maxDepth) { }
const char* GetEngineName(void)
{
#ifdef FIFTEEN_EXPORTS
    return "FifteenExports";
#else
    return "MissingExport";
#endif
}
int GetParameterList(char* buffer, int bufferSize)
{
    if (buffer && bufferSize > 0)
        buffer[0] = '\0';
    return 0;
}
int SetParameter(const char* name, const char* value)
{
    return -1;
}
#ifdef FIFTEEN_EXPORTS
int GetInterfaceVersion(void)
{
    return 1;
}
#endif
