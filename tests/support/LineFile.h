#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace velmorak::test {

// The lines of a text file another process appends to (a call log of a fake engine); no
// lines for a missing file.
std::vector<std::string> readLines(const std::string& path);
// How many lines start with the words of `prefix` ("go" counts "go ponder", "uci" does not
// count "ucinewgame").
int countLinesStarting(const std::string& path, const std::string& prefix);
// The last line starting with `prefix`, or "".
std::string lastLineStarting(const std::string& path, const std::string& prefix);
// Waits, bounded by `timeout`, until at least `count` lines start with `prefix`: the other
// process has really got that far, however loaded the machine.
bool waitForLines(const std::string& path, const std::string& prefix, int count = 1,
    std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The lines of one recorded exchange of the server transcript in the shared data
// (ics/pychess_testing_lines.txt), from the "#### ...NAME..." header to the next.
std::vector<std::string> icsTranscript(const std::string& name);

} // namespace velmorak::test
