#include "CliProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

CliProcess::CliProcess(const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::string>>& environment)
{
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0)
        return;
    const std::string program = std::string(VELMORAK_BIN_DIR) + "/velmorak-cli";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        for (int fd : { in[0], in[1], out[0], out[1], err[0], err[1] })
            ::close(fd);
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    m_in = in[1];
    m_outFd = out[0];
    m_errFd = err[0];
    // A command that ended early must not kill the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
}

CliProcess::~CliProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (int fd : { m_in, m_outFd, m_errFd })
        if (fd != -1)
            ::close(fd);
}

void CliProcess::write(std::string_view text)
{
    while (!text.empty() && m_in != -1) {
        ssize_t wrote = ::write(m_in, text.data(), text.size());
        if (wrote <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
}

void CliProcess::closeInput()
{
    if (m_in != -1)
        ::close(m_in);
    m_in = -1;
}

void CliProcess::readOutput(int timeoutMs)
{
    pollfd fds[2] = { { m_outFd, POLLIN, 0 }, { m_errFd, POLLIN, 0 } };
    if (::poll(fds, 2, timeoutMs) <= 0)
        return;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd == -1 || !(fds[i].revents & (POLLIN | POLLHUP)))
            continue;
        ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0)
            (i == 0 ? m_out : m_err).append(buffer, static_cast<std::size_t>(got));
        else {
            ::close(fds[i].fd);
            (i == 0 ? m_outFd : m_errFd) = -1;
        }
    }
}

std::vector<std::string> CliProcess::outLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(m_out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool CliProcess::waitForLine(std::string_view line, const Meanwhile& meanwhile, int timeoutMs)
{
    const std::int64_t deadline = nowMs() + timeoutMs;
    for (;;) {
        std::vector<std::string> lines = outLines();
        // Only whole lines count: the last one may still be coming.
        std::size_t whole =
            m_out.empty() || m_out.ends_with('\n') ? lines.size() : lines.size() - 1;
        for (std::size_t i = m_linesSeen; i < whole; ++i) {
            if (lines[i] == line) {
                m_linesSeen = i + 1;
                return true;
            }
        }
        if (nowMs() > deadline || (m_outFd == -1 && m_errFd == -1))
            return false;
        meanwhile();
        readOutput(5);
    }
}

int CliProcess::finish(const Meanwhile& meanwhile, int timeoutMs)
{
    const std::int64_t deadline = nowMs() + timeoutMs;
    int status = 0;
    for (;;) {
        meanwhile();
        readOutput(5);
        if (m_outFd == -1 && m_errFd == -1 && ::waitpid(m_pid, &status, WNOHANG) == m_pid)
            break;
        if (nowMs() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            return -1;
        }
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
