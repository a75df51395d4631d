// A plug-in with fourteen of the fifteen exports: the host must refuse it silently.
#include "engine/EnginePlugin.h"

extern "C" {
void StartEngine(int, const EngineCallbacks*) { }
void ExitEngine(void) { }
void StartAnalyse(int) { }
void StopAnalyse(void) { }
void SetPonderOff(void) { }
void ClearHashtables(void) { }
void SetPosition(const char*) { }
void EnterMove(const char*) { }
void SetBook(const char*, int) { }
void SetTimeControl(int, int) { }
void SetLevel(int, int, int, int) { }
const char* GetEngineName(void)
{
    return "MissingExport";
}
int GetParameterList(char*, int)
{
    return 0;
}
int SetParameter(const char*, const char*)
{
    return 0;
}
}
