#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The built velmorak-cli running beside the test, for sessions that need both sides to
// go on at once (a fake server answering while the command runs): its standard input is
// a pipe the test writes to, its output is collected as it comes. Every wait calls
// `meanwhile` between short reads, where the test serves its side.
class CliProcess {
public:
    using Meanwhile = std::function<void()>;

    // Starts `velmorak-cli ARGUMENTS...` with `environment` added to the test's own.
    CliProcess(const std::vector<std::string>& arguments,
        const std::vector<std::pair<std::string, std::string>>& environment = {});
    // Kills the command when it still runs.
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void write(std::string_view text);
    void closeInput();

    // Waits until standard output holds a line equal to `line` after those found by the
    // waits before; false after `timeoutMs`.
    bool waitForLine(std::string_view line, const Meanwhile& meanwhile, int timeoutMs = 10000);
    // Waits for the command to end: its exit status, or -1 when it had to be killed after
    // `timeoutMs`.
    int finish(const Meanwhile& meanwhile, int timeoutMs = 15000);

    const std::string& out() const { return m_out; }
    const std::string& err() const { return m_err; }
    std::vector<std::string> outLines() const;

private:
    void readOutput(int timeoutMs);

    int m_pid = -1;
    int m_in = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    std::string m_out;
    std::string m_err;
    std::size_t m_linesSeen = 0;
};
