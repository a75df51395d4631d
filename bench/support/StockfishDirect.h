#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/UciProcess.h"

namespace velmorak::bench {

// The reference the benchmarks compare with: Stockfish from Debian's package driven over a
// pipe, with nothing of ours in between. For each of `rounds` (after two warm-up rounds)
// the milliseconds from sending `position` and "go depth 1" to the first line that
// contains `until`; nullopt when Stockfish cannot be started.
inline std::optional<std::vector<double>> stockfishReplyTimes(
    const std::string& position, int rounds, std::string_view until)
{
    velmorak::UciProcess process { velmorak::systemClock() };
    if (!process.start({ "/usr/games/stockfish" }))
        return std::nullopt;
    std::string line;
    auto readUntil = [&](std::string_view wanted, bool prefix) {
        while (process.readLine(line, 60000) == UciProcess::ReadStatus::Line)
            if (prefix ? line.rfind(wanted, 0) == 0 : line.find(wanted) != std::string::npos)
                return true;
        return false;
    };
    process.writeLine("uci");
    readUntil("uciok", true);
    process.writeLine("setoption name Hash value 16");
    process.writeLine("isready");
    readUntil("readyok", true);
    std::vector<double> times;
    for (int round = 0; round < rounds + 2; ++round) {
        auto start = std::chrono::steady_clock::now();
        process.writeLine(position);
        process.writeLine("go depth 1");
        readUntil(until, false);
        double took =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        readUntil("bestmove", true);
        if (round >= 2)
            times.push_back(took);
    }
    process.writeLine("quit");
    process.terminate(1000);
    return times;
}

} // namespace velmorak::bench
