// Makes the program's own sounds at build time, so that no recording needs to be kept:
//
//   velmorak-soundgen moves FOLDER   writes move1.wav .. move8.wav and default.wav
//   velmorak-soundgen trim IN OUT    copies a WAV file without its leading and trailing
//                                    silence (for the spoken words)
//
// The move sounds are wooden knocks: one knock for a quiet move, a double knock for a
// capture; pawns and minor pieces sound higher and lighter than king, rook and queen, and a
// move into the centre adds a bright ring.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "sound/WavFile.h"

using velmorak::PcmSound;

namespace {

constexpr int kRate = 22050;
constexpr double kPeak = 0.8;
// Samples quieter than this count as silence when trimming words.
constexpr int kSilence = 400;
constexpr double kKeepBefore = 0.010;
constexpr double kKeepAfter = 0.060;

struct Knock {
    double at; // seconds
    double pitch; // Hz
    double decay; // seconds to fall to 1/e
    double level;
};

void addKnock(std::vector<double>& wave, const Knock& knock, std::uint32_t& noise)
{
    std::size_t start = static_cast<std::size_t>(knock.at * kRate);
    std::size_t length = static_cast<std::size_t>(knock.decay * 6 * kRate);
    for (std::size_t i = 0; i < length && start + i < wave.size(); ++i) {
        double t = static_cast<double>(i) / kRate;
        double envelope = std::exp(-t / knock.decay);
        // Wood has inharmonic partials; the short noise burst is the contact of the piece.
        double tone = std::sin(2 * std::numbers::pi * knock.pitch * t) +
            0.45 * std::sin(2 * std::numbers::pi * knock.pitch * 2.76 * t) * std::exp(-t / 0.006);
        noise = noise * 1664525u + 1013904223u;
        double burst = t < 0.003 ? (static_cast<double>(noise >> 8) / (1u << 24) * 2 - 1) : 0;
        wave[start + i] += knock.level * (envelope * tone + 0.6 * burst * (1 - t / 0.003));
    }
}

void addRing(std::vector<double>& wave, double at, double pitch, double level)
{
    std::size_t start = static_cast<std::size_t>(at * kRate);
    for (std::size_t i = start; i < wave.size(); ++i) {
        double t = static_cast<double>(i - start) / kRate;
        double attack = std::min(1.0, t / 0.004);
        wave[i] +=
            level * attack * std::exp(-t / 0.05) * std::sin(2 * std::numbers::pi * pitch * t);
    }
}

PcmSound toPcm(const std::vector<double>& wave)
{
    double peak = 1e-9;
    for (double v : wave)
        peak = std::max(peak, std::abs(v));
    PcmSound sound;
    sound.sampleRate = kRate;
    sound.channels = 1;
    for (std::size_t i = 0; i < wave.size(); ++i) {
        // A 3 ms fade at the end keeps the cut from clicking.
        double fade = std::min(1.0, static_cast<double>(wave.size() - i) / (0.003 * kRate));
        sound.samples.push_back(
            static_cast<std::int16_t>(std::lround(wave[i] / peak * kPeak * fade * 32767)));
    }
    return sound;
}

PcmSound moveSound(int number)
{
    bool heavy =
        number % 4 == 2 || number % 4 == 0; // 2, 4, 6, 8: king, rook, queen or major capture
    bool capture = (number - 1) % 4 >= 2; // 3, 4, 7, 8
    bool centre = number >= 5;
    double pitch = heavy ? 520 : 980;
    double decay = heavy ? 0.028 : 0.016;
    double seconds = capture ? 0.20 : 0.13;
    if (centre)
        seconds += 0.06;
    std::vector<double> wave(static_cast<std::size_t>(seconds * kRate), 0.0);
    std::uint32_t noise = 12345u + static_cast<std::uint32_t>(number);
    addKnock(wave, { 0.0, pitch, decay, 1.0 }, noise);
    if (capture)
        addKnock(wave, { 0.055, pitch * 0.75, decay * 1.3, heavy ? 1.1 : 0.8 }, noise);
    if (centre)
        addRing(wave, capture ? 0.06 : 0.01, heavy ? 1320 : 1760, 0.35);
    return toPcm(wave);
}

PcmSound defaultSound()
{
    std::vector<double> wave(static_cast<std::size_t>(0.32 * kRate), 0.0);
    addRing(wave, 0.0, 880, 0.8);
    addRing(wave, 0.14, 660, 0.8);
    return toPcm(wave);
}

bool save(const std::string& path, const PcmSound& sound)
{
    std::vector<std::uint8_t> bytes = velmorak::writeWav(sound);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(
        reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "velmorak-soundgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int trim(const std::string& in, const std::string& out)
{
    velmorak::Result<PcmSound> sound = velmorak::readWavFile(in);
    if (!sound) {
        std::fprintf(
            stderr, "velmorak-soundgen: %s: %s\n", in.c_str(), sound.error().message.c_str());
        return 1;
    }
    const auto& s = sound->samples;
    auto loud = [](std::int16_t v) { return std::abs(int(v)) > kSilence; };
    auto first = std::find_if(s.begin(), s.end(), loud);
    auto last = std::find_if(s.rbegin(), s.rend(), loud);
    if (first != s.end()) {
        std::size_t frame = static_cast<std::size_t>(sound->channels);
        std::size_t begin = static_cast<std::size_t>(first - s.begin());
        std::size_t end = s.size() - static_cast<std::size_t>(last - s.rbegin());
        std::size_t before = static_cast<std::size_t>(kKeepBefore * sound->sampleRate) * frame;
        std::size_t after = static_cast<std::size_t>(kKeepAfter * sound->sampleRate) * frame;
        begin = begin > before ? (begin - before) / frame * frame : 0;
        end = std::min(s.size(), (end + after + frame - 1) / frame * frame);
        sound->samples = std::vector<std::int16_t>(s.begin() + static_cast<std::ptrdiff_t>(begin),
            s.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return save(out, *sound) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "moves") {
        for (int number = 1; number <= 8; ++number)
            if (!save(args[1] + "/move" + std::to_string(number) + ".wav", moveSound(number)))
                return 1;
        return save(args[1] + "/default.wav", defaultSound()) ? 0 : 1;
    }
    if (args.size() == 3 && args[0] == "trim")
        return trim(args[1], args[2]);
    std::fprintf(stderr, "usage: velmorak-soundgen moves FOLDER | trim IN.wav OUT.wav\n");
    return 2;
}
