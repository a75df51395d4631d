#pragma once

#include <string>

#include "app/Application.h"
#include "app/TaskQueueEventPump.h"
#include "app/TaskQueueUiThread.h"
#include "base/TaskQueue.h"
#include "platform/SettingsFileStore.h"
#include "platform/SystemTagSources.h"
#include "sound/MoveSounds.h"
#include "sound/SoundOutput.h"

namespace velmorak {

// What a command that runs the whole application at a terminal gives it besides its own
// prompts and view: the settings file (and the autosave thread's second view of it), a task
// queue as the interface thread, silent sounds, the system's tag sources and clock. A
// command checks the settings file before it builds the application over them.
class CliHost {
public:
    explicit CliHost(const std::string& settingsPath);
    CliHost(const CliHost&) = delete;
    CliHost& operator=(const CliHost&) = delete;

    // The services for an application that prints through `prompts` and `view`. The
    // application's timers stay unarmed: the commands keep their own time.
    ApplicationServices services(ControllerPrompts& prompts, ControllerView& view);

    SettingsFileStore store;
    // The autosave thread's own view of the same file; the file's lock keeps the two apart.
    SettingsFileStore autosaveStore;
    TaskQueue queue;
    TaskQueueUiThread uiThread { queue };
    // A hint or threat search runs the queue meanwhile: the engine's lines still print.
    TaskQueueEventPump pump { queue };
    SilentSoundOutput silence;
    MoveSounds sounds;
    SystemTagSources tagSources;
    Clock& clock;
};

} // namespace velmorak
