#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The built velmorak-cli running beside the test, for sessions where both sides go on at
// once (a fake server answering while the command runs): standard input is a pipe the test
// writes to, the output is collected as it comes. Each wait calls `meanwhile` between
// short reads, where the test serves its side.
class CliProcess {
public:
    using Meanwhile = std::function<void()>;

    CliProcess(const std::vector<std::string>& arguments,
        const std::vector<std::pair<std::string, std::string>>& environment);
    // Kills the command when it still runs.
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void write(std::string_view text);
    void closeInput();
    // Waits for a standard output line equal to `line` after the one the last wait found;
    // false after `timeoutMs`.
    bool waitForLine(std::string_view line, const Meanwhile& meanwhile, int timeoutMs = 10000);
    // The exit status, or -1 when the command had to be killed after `timeoutMs`.
    int finish(const Meanwhile& meanwhile, int timeoutMs = 15000);

    const std::string& out() const { return m_out; }
    const std::string& err() const { return m_err; }

private:
    void read(int timeoutMs);

    int m_pid = -1;
    int m_fds[3] = { -1, -1, -1 }; // standard input, output, error
    std::string m_out;
    std::string m_err;
    std::size_t m_seen = 0; // the output up to here was searched by a successful wait
};
