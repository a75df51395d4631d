#pragma once

#include <string>
#include <string_view>

namespace velmorak {

// The port through which the core makes sounds. Production: platform/PulseSoundOutput.h;
// tests: RecordingSoundOutput. No call reports an error to its caller: without a sound
// device every call is silent, and returns at once (the output itself tells the user once).
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Starts one of the program's own sounds ("move1" .. "move8") and returns at once; a
    // sound of this kind still playing is cut off. An unknown name plays nothing.
    virtual void playNamedAsync(std::string_view name) = 0;
    // The system's default alert sound, started as playNamedAsync.
    virtual void playSystemDefault() = 0;
    // Plays a WAV file and returns when it has finished, so that sounds played one after
    // the other follow each other in order. False, at once, when the file is missing or
    // unreadable or nothing can play it; never a default sound instead.
    virtual bool playFileSync(const std::string& path) = 0;
};

// Plays nothing; for programs and tests that must stay quiet.
class SilentSoundOutput : public SoundOutput {
public:
    void playNamedAsync(std::string_view) override { }
    void playSystemDefault() override { }
    bool playFileSync(const std::string&) override { return false; }
};

} // namespace velmorak
