/* A plug-in written in C from the public header alone, with fourteen of the fifteen exports
 * (GetInterfaceVersion is missing): the host must refuse it without a message. */
#include "engine/EnginePlugin.h"

void StartEngine(int hashSizeKb, const EngineCallbacks* callbacks)
{
    (void)hashSizeKb;
    (void)callbacks;
}
void ExitEngine(void) { }
void StartAnalyse(int mode)
{
    (void)mode;
}
void StopAnalyse(void) { }
void SetPonderOff(void) { }
void ClearHashtables(void) { }
void SetPosition(const char* fen)
{
    (void)fen;
}
void EnterMove(const char* move)
{
    (void)move;
}
void SetBook(const char* path, int mode)
{
    (void)path;
    (void)mode;
}
void SetTimeControl(int moves, int seconds)
{
    (void)moves;
    (void)seconds;
}
void SetLevel(int movesToGo, int secondsLeft, int increment, int maxDepth)
{
    (void)movesToGo;
    (void)secondsLeft;
    (void)increment;
    (void)maxDepth;
}
const char* GetEngineName(void)
{
    return "MissingExport";
}
int GetParameterList(char* buffer, int bufferSize)
{
    if (buffer && bufferSize > 0)
        buffer[0] = '\0';
    return 0;
}
int SetParameter(const char* name, const char* value)
{
    (void)name;
    (void)value;
    return -1;
}
