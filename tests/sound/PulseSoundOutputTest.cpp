#include "platform/PulseSoundOutput.h"

#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

const std::string kBin = VELMORAK_BIN_DIR;

// Without a sound server every sound is skipped at once and silently; nothing waits for a
// sound that will never end. The server address is forced to one that cannot exist, so the
// test behaves the same on a desktop with sound.
TEST(PulseSoundOutput, WithoutASoundServerEverythingIsQuickAndQuiet)
{
    ::setenv("PULSE_SERVER", "unix:/nonexistent/velmorak-test-socket", 1);
    auto start = std::chrono::steady_clock::now();
    {
        PulseSoundOutput output(kBin + "/sounds");
        for (int i = 0; i < 200; ++i) {
            output.playNamedAsync("move" + std::to_string(i % 8 + 1));
            output.playSystemDefault();
        }
        for (int i = 0; i < 50; ++i)
            EXPECT_FALSE(output.playFileSync(kBin + "/sounds/move1.wav"));
        EXPECT_FALSE(output.playFileSync(kBin + "/sounds/no-such-sound.wav"));
        output.playNamedAsync("no-such-sound");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    std::unique_ptr<SoundOutput> system = makeSystemSoundOutput(kBin);
    ASSERT_NE(system, nullptr);
    EXPECT_FALSE(system->playFileSync(kBin + "/sounds/move2.wav"));
    ::unsetenv("PULSE_SERVER");
}

} // namespace
