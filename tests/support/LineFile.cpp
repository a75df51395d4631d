#include "support/LineFile.h"

#include <fstream>
#include <thread>

namespace velmorak::test {

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream file(path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(file, line))
        lines.push_back(line);
    return lines;
}

namespace {

// "go" starts "go ponder" but "uci" does not start "ucinewgame": a prefix ends a word.
bool startsWithWords(const std::string& line, const std::string& prefix)
{
    return line.rfind(prefix, 0) == 0 &&
        (line.size() == prefix.size() || line[prefix.size()] == ' ');
}

} // namespace

int countLinesStarting(const std::string& path, const std::string& prefix)
{
    int count = 0;
    for (const std::string& line : readLines(path))
        count += startsWithWords(line, prefix);
    return count;
}

std::string lastLineStarting(const std::string& path, const std::string& prefix)
{
    std::string found;
    for (const std::string& line : readLines(path))
        if (startsWithWords(line, prefix))
            found = line;
    return found;
}

bool waitForLines(const std::string& path, const std::string& prefix, int count,
    std::chrono::milliseconds timeout)
{
    // The writer is another process: there is nothing to wait on but the file itself.
    auto until = std::chrono::steady_clock::now() + timeout;
    while (countLinesStarting(path, prefix) < count) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::vector<std::string> icsTranscript(const std::string& name)
{
    std::ifstream in(std::string(VELMORAK_DATA_DIR) + "/ics/pychess_testing_lines.txt");
    std::vector<std::string> lines;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("####")) {
            inside = line.find(name) != std::string::npos;
            continue;
        }
        if (inside)
            lines.push_back(line);
    }
    return lines;
}

} // namespace velmorak::test
