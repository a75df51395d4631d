#include "CliHost.h"

#include "base/ProgramDirectory.h"
#include "engine/HashSize.h"
#include "engine/OpeningBook.h"

namespace velmorak {

CliHost::CliHost(const std::string& settingsPath)
    : store(settingsPath)
    , autosaveStore(settingsPath)
    , sounds(silence, dataDirectory() + "/announce")
    , clock(systemClock())
{
}

ApplicationServices CliHost::services(ControllerPrompts& prompts, ControllerView& view)
{
    return ApplicationServices { prompts, view, uiThread, pump, clock, store, autosaveStore, sounds,
        tagSources, documentsDirectory(), {}, [] { return availablePhysicalMemoryKb(); }, {} };
}

} // namespace velmorak
