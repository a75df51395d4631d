// The sounds made at build time beside the executables, and the system output that plays
// them.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "platform/PulseSoundOutput.h"
#include "sound/MoveSounds.h"
#include "sound/MoveWords.h"
#include "sound/WavFile.h"
#include "support/FakeClock.h"
#include "support/ScopedEnvironment.h"

using namespace velmorak;

namespace {

const std::string kBin = VELMORAK_BIN_DIR;

int peakOf(const PcmSound& sound)
{
    int peak = 0;
    for (std::int16_t sample : sound.samples)
        peak = std::max(peak, std::abs(int(sample)));
    return peak;
}

TEST(GeneratedSounds, EightShortDistinctMoveSounds)
{
    std::vector<PcmSound> sounds;
    for (int number = 1; number <= 8; ++number) {
        std::string path = kBin + "/sounds/move" + std::to_string(number) + ".wav";
        Result<PcmSound> sound = readWavFile(path);
        ASSERT_TRUE(sound) << path << ": " << sound.error().message;
        EXPECT_GT(sound->seconds(), 0.05) << path;
        EXPECT_LT(sound->seconds(), 0.3) << path << ": a move sound must not drag";
        EXPECT_GT(peakOf(*sound), 16000) << path << " is audible";
        sounds.push_back(std::move(*sound));
    }
    for (std::size_t a = 0; a < sounds.size(); ++a)
        for (std::size_t b = a + 1; b < sounds.size(); ++b)
            EXPECT_NE(sounds[a].samples, sounds[b].samples) << "move" << a + 1 << " move" << b + 1;
    // Captures (3, 4, 7, 8) knock twice and last longer than quiet moves.
    EXPECT_GT(sounds[2].seconds(), sounds[0].seconds());
    EXPECT_GT(sounds[7].seconds(), sounds[5].seconds());
    EXPECT_TRUE(readWavFile(kBin + "/sounds/default.wav"));
}

TEST(GeneratedSounds, EveryWordThatCanBeSpokenHasItsFile)
{
    std::string folder = kBin + "/announce";
    if (!std::filesystem::exists(folder)) {
        // Only a build without espeak-ng leaves the folder out.
        EXPECT_NE(std::system("command -v espeak-ng >/dev/null 2>&1"), 0)
            << "espeak-ng is installed but " << folder << " was not made";
        EXPECT_FALSE(hasVoiceFiles(folder));
        return;
    }
    EXPECT_TRUE(hasVoiceFiles(folder));
    std::set<std::string> words { "Takes", "EnPassant", "0-0", "0-0-0", "Check", "Checkmate",
        "Stalemate", "Drawoffer" };
    for (int kind = 0; kind <= 5; ++kind)
        words.insert(std::string(pieceWord(static_cast<PieceCode>(kind))));
    for (int file = 0; file < 8; ++file)
        for (int rank = 0; rank < 8; ++rank) {
            words.insert(fileWord(makeSquare(file, rank)));
            words.insert(rankWord(makeSquare(file, rank), true));
            words.insert(rankWord(makeSquare(file, rank), false));
        }
    EXPECT_EQ(words.size(), 38u);
    for (const std::string& word : words) {
        std::string path = folder + "/" + word + ".wav";
        Result<PcmSound> sound = readWavFile(path);
        ASSERT_TRUE(sound) << path;
        EXPECT_GT(sound->seconds(), 0.1) << path;
        EXPECT_LT(sound->seconds(), 1.5) << path << ": silence is trimmed";
    }
}

// Without a sound server every sound is skipped at once and silently; nothing waits for a
// sound that will never end. The server address is forced to one that cannot exist, so the
// test behaves the same on a desktop with sound.
TEST(PulseSoundOutput, WithoutASoundServerEverythingIsQuickAndQuiet)
{
    ScopedEnvironment server("PULSE_SERVER", "unix:/nonexistent/velmorak-test-socket");
    auto start = std::chrono::steady_clock::now();
    {
        PulseSoundOutput output(kBin + "/sounds", systemClock());
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
    std::unique_ptr<SoundOutput> system = makeSystemSoundOutput(kBin, systemClock());
    ASSERT_NE(system, nullptr);
    EXPECT_FALSE(system->playFileSync(kBin + "/sounds/move2.wav"));
}

// The user is told once why nothing plays, with the reason, and not again when opening is
// retried after the pause and fails anew.
TEST(PulseSoundOutput, WithoutASoundServerTheUserIsToldOnce)
{
    ScopedEnvironment server("PULSE_SERVER", "unix:/nonexistent/velmorak-test-socket");
    test::FakeClock clock;
    std::vector<std::string> notices;
    PulseSoundOutput output(kBin + "/sounds", clock,
        [&notices](const std::string& message) { notices.push_back(message); });
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_FALSE(output.playFileSync(kBin + "/sounds/move1.wav"));
        clock.advance(PulseSoundOutput::kRetryPauseMs);
    }
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_NE(notices[0].find("sound"), std::string::npos) << notices[0];
}

} // namespace
