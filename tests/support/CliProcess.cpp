#include "CliProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>

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
    int pipes[3][2];
    for (auto& pipe : pipes)
        if (::pipe(pipe) != 0)
            return;
    const std::string program = std::string(VELMORAK_BIN_DIR) + "/velmorak-cli";
    std::vector<char*> argv { const_cast<char*>(program.c_str()) };
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        for (int fd = 0; fd < 3; ++fd)
            ::dup2(pipes[fd][fd == 0 ? 0 : 1], fd);
        for (auto& pipe : pipes) {
            ::close(pipe[0]);
            ::close(pipe[1]);
        }
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    for (int fd = 0; fd < 3; ++fd) {
        ::close(pipes[fd][fd == 0 ? 0 : 1]);
        m_fds[fd] = pipes[fd][fd == 0 ? 1 : 0];
    }
    // A command that ended early must not end the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
}

CliProcess::~CliProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    for (int fd : m_fds)
        if (fd != -1)
            ::close(fd);
}

void CliProcess::write(std::string_view text)
{
    while (!text.empty() && m_fds[0] != -1) {
        ssize_t wrote = ::write(m_fds[0], text.data(), text.size());
        if (wrote <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
}

void CliProcess::closeInput()
{
    if (m_fds[0] != -1)
        ::close(m_fds[0]);
    m_fds[0] = -1;
}

void CliProcess::read(int timeoutMs)
{
    pollfd fds[2] = { { m_fds[1], POLLIN, 0 }, { m_fds[2], POLLIN, 0 } };
    if (::poll(fds, 2, timeoutMs) <= 0)
        return;
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd == -1 || !(fds[i].revents & (POLLIN | POLLHUP)))
            continue;
        char buffer[4096];
        ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0) {
            (i == 0 ? m_out : m_err).append(buffer, static_cast<std::size_t>(got));
        } else {
            ::close(fds[i].fd);
            m_fds[i + 1] = -1;
        }
    }
}

bool CliProcess::waitForLine(std::string_view line, const Meanwhile& meanwhile, int timeoutMs)
{
    std::string whole(1, '\n');
    whole.append(line).push_back('\n');
    const std::int64_t deadline = nowMs() + timeoutMs;
    for (;;) {
        // The output read as if it began with a line break, so that its first line counts.
        const std::string text = std::string(1, '\n').append(m_out);
        if (std::size_t at = text.find(whole, m_seen); at != std::string::npos) {
            m_seen = at + whole.size() - 1;
            return true;
        }
        if (nowMs() > deadline || (m_fds[1] == -1 && m_fds[2] == -1))
            return false;
        meanwhile();
        read(5);
    }
}

int CliProcess::finish(const Meanwhile& meanwhile, int timeoutMs)
{
    const std::int64_t deadline = nowMs() + timeoutMs;
    int status = 0;
    while (m_fds[1] != -1 || m_fds[2] != -1 || ::waitpid(m_pid, &status, WNOHANG) != m_pid) {
        if (nowMs() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            return -1;
        }
        meanwhile();
        read(5);
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
