#include "engine/UciProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velmorak {

namespace {

// What /proc says of one process group: whether a member is running or in an
// uninterruptible wait, and the processor time its members used, in clock ticks.
struct GroupActivity {
    bool running = false;
    long long cpuTicks = 0;
};

GroupActivity groupActivity(pid_t group)
{
    GroupActivity activity;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return activity;
    while (dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        const std::string path = std::string("/proc/") + entry->d_name + "/stat";
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char text[1024];
        ssize_t got = ::read(fd, text, sizeof text - 1);
        ::close(fd);
        if (got <= 0)
            continue;
        text[got] = '\0';
        // The name in parentheses may hold anything: the fields start after the last ')'.
        const char* fields = std::strrchr(text, ')');
        char state = 0;
        long long parent = 0, processGroup = 0, userTicks = 0, systemTicks = 0;
        if (!fields ||
            std::sscanf(fields + 1, " %c %lld %lld %*s %*s %*s %*s %*s %*s %*s %*s %lld %lld",
                &state, &parent, &processGroup, &userTicks, &systemTicks) != 5)
            continue;
        if (processGroup != group)
            continue;
        activity.running = activity.running || state == 'R' || state == 'D';
        activity.cpuTicks += userTicks + systemTicks;
    }
    ::closedir(proc);
    return activity;
}

constexpr std::size_t kStderrTailLength = 2048;
// A child that does not take a command line within this time is treated as gone.
constexpr int kWriteTimeoutMs = 5000;
// How often a process that was told to end is looked at.
constexpr int kExitPollMs = 2;

// Whether the child has ended, without reaping it: while it is an unreaped zombie its
// process group id cannot be taken by another process, so the group can still be signalled.
bool hasExited(pid_t pid)
{
    siginfo_t info {};
    if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD;
    return info.si_pid == pid;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Writes all bytes with SIGPIPE blocked for this thread only, so a dead reader gives EPIPE
// instead of ending the whole program; a SIGPIPE raised meanwhile is consumed before the
// mask is restored. The host's own signal handling stays untouched.
bool writeAllWithoutSigpipe(Clock& clock, int fd, const char* data, std::size_t size)
{
    sigset_t pipeSet;
    sigset_t oldMask;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &oldMask);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    bool wasPending = sigismember(&pendingBefore, SIGPIPE) == 1;

    bool ok = true;
    bool sawPipeError = false;
    std::size_t done = 0;
    std::int64_t deadline = clock.ticks() + kWriteTimeoutMs;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            std::int64_t left = deadline - clock.ticks();
            pollfd p { fd, POLLOUT, 0 };
            if (left <= 0 || ::poll(&p, 1, int(left)) < 0 || (p.revents & (POLLERR | POLLHUP))) {
                ok = false;
                break;
            }
            continue;
        }
        sawPipeError = n < 0 && errno == EPIPE;
        ok = false;
        break;
    }
    if (sawPipeError && !wasPending) {
        timespec zero {};
        while (sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) { }
    }
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    return ok;
}

} // namespace

// --- UciLineBuffer ----------------------------------------------------------------------

void UciLineBuffer::feed(std::string_view bytes)
{
    if (m_next > 0 && m_next == m_lines.size()) {
        m_lines.clear();
        m_next = 0;
    }
    for (char c : bytes) {
        if (c == '\n') {
            if (!m_partial.empty() && m_partial.back() == '\r')
                m_partial.pop_back();
            m_lines.push_back(std::move(m_partial));
            m_partial.clear();
            m_dropping = false;
            continue;
        }
        if (m_dropping)
            continue;
        if (m_partial.size() >= kMaxLineLength) {
            m_dropping = true;
            continue;
        }
        m_partial.push_back(c);
    }
}

std::optional<std::string> UciLineBuffer::takeLine()
{
    if (m_next >= m_lines.size())
        return std::nullopt;
    std::string line = std::move(m_lines[m_next++]);
    if (m_next == m_lines.size()) {
        m_lines.clear();
        m_next = 0;
    }
    return line;
}

// --- UciProcess -------------------------------------------------------------------------

UciProcess::~UciProcess()
{
    terminate(200);
}

Status UciProcess::start(const std::vector<std::string>& argv)
{
    terminate();
    if (argv.empty() || argv[0].empty())
        return Error { ErrorKind::ProcessFailed, "no engine program is named" };

    int input[2] = { -1, -1 };
    int output[2] = { -1, -1 };
    int error[2] = { -1, -1 };
    int wake[2] = { -1, -1 };
    auto closeAll = [&] {
        for (int* pair : { input, output, error, wake }) {
            closeFd(pair[0]);
            closeFd(pair[1]);
        }
    };
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 ||
        ::pipe2(error, O_CLOEXEC) != 0 || ::pipe2(wake, O_CLOEXEC) != 0) {
        Error failure { ErrorKind::ProcessFailed,
            std::string("cannot create pipes: ") + std::strerror(errno) };
        closeAll();
        return failure;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, error[1], 2);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors the host opened without close-on-exec must not leak into the engine.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigset_t noMask;
    sigemptyset(&noMask);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &noMask);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    int spawnError = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawnError != 0) {
        closeAll();
        const std::string program = "the engine program '" + argv[0] + "'";
        if (spawnError == ENOENT)
            return Error { ErrorKind::NotFound, program + " was not found" };
        if (spawnError == EACCES)
            return Error { ErrorKind::PermissionDenied, program + " is not executable" };
        return Error { ErrorKind::ProcessFailed,
            "cannot start " + program + ": " + std::strerror(spawnError) };
    }
    closeFd(input[0]);
    closeFd(output[1]);
    closeFd(error[1]);
    ::fcntl(input[1], F_SETFL, ::fcntl(input[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(output[0], F_SETFL, ::fcntl(output[0], F_GETFL) | O_NONBLOCK);

    std::lock_guard lock(m_mutex);
    m_pid = pid;
    m_groupCpuTicks = 0;
    m_stdin = input[1];
    m_stdout = output[0];
    m_stderrWake[0] = wake[0];
    m_stderrWake[1] = wake[1];
    m_lines = UciLineBuffer {};
    m_outputClosed = false;
    m_exitStatus.reset();
    {
        std::lock_guard tailLock(m_stderrMutex);
        m_stderrTail.clear();
    }
    int stderrFd = error[0];
    int wakeFd = wake[0];
    m_stderrThread = std::thread([this, stderrFd, wakeFd] { drainStderr(stderrFd, wakeFd); });
    return {};
}

void UciProcess::drainStderr(int fd, int wakeFd)
{
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = { { fd, POLLIN, 0 }, { wakeFd, POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0) {
            // Ending: keep what the child wrote last, it usually says why it ended.
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ssize_t n;
            while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
                appendStderr(std::string_view(buffer, std::size_t(n)));
            break;
        }
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            break;
        appendStderr(std::string_view(buffer, std::size_t(n)));
    }
    ::close(fd);
}

void UciProcess::appendStderr(std::string_view bytes)
{
    std::lock_guard lock(m_stderrMutex);
    m_stderrTail.append(bytes);
    if (m_stderrTail.size() > kStderrTailLength)
        m_stderrTail.erase(0, m_stderrTail.size() - kStderrTailLength);
}

bool UciProcess::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_pid > 0 && !m_exitStatus && !hasExited(m_pid);
}

bool UciProcess::isWorking()
{
    if (m_pid <= 0)
        return false;
    GroupActivity activity = groupActivity(m_pid);
    const bool used = activity.cpuTicks > m_groupCpuTicks;
    m_groupCpuTicks = std::max(m_groupCpuTicks, activity.cpuTicks);
    return activity.running || used;
}

pid_t UciProcess::pid() const
{
    std::lock_guard lock(m_mutex);
    return m_pid;
}

bool UciProcess::writeLine(std::string_view line)
{
    std::string text(line);
    text.push_back('\n');
    std::lock_guard lock(m_mutex);
    if (m_stdin < 0)
        return false;
    return writeAllWithoutSigpipe(m_clock, m_stdin, text.data(), text.size());
}

UciProcess::ReadStatus UciProcess::readLine(std::string& line, int timeoutMs)
{
    std::int64_t deadline = timeoutMs < 0 ? -1 : m_clock.ticks() + timeoutMs;
    char buffer[4096];
    for (;;) {
        int fd;
        {
            std::lock_guard lock(m_mutex);
            if (std::optional<std::string> next = m_lines.takeLine()) {
                line = std::move(*next);
                return ReadStatus::Line;
            }
            if (m_outputClosed || m_stdout < 0)
                return ReadStatus::Closed;
            fd = m_stdout;
        }
        int wait = -1;
        if (deadline >= 0) {
            std::int64_t left = deadline - m_clock.ticks();
            if (left < 0)
                return ReadStatus::Timeout;
            wait = int(left);
        }
        pollfd p { fd, POLLIN, 0 };
        int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return ReadStatus::Timeout;
        ssize_t n = ready < 0 ? -1 : ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        std::lock_guard lock(m_mutex);
        if (n > 0)
            m_lines.feed(std::string_view(buffer, std::size_t(n)));
        else
            m_outputClosed = true;
    }
}

bool UciProcess::exitedWithin(pid_t pid, int milliseconds)
{
    std::int64_t deadline = m_clock.ticks() + milliseconds;
    while (!hasExited(pid)) {
        if (m_clock.ticks() >= deadline)
            return false;
        m_clock.sleep(kExitPollMs);
    }
    return true;
}

void UciProcess::terminate(int graceMs)
{
    pid_t pid;
    std::thread stderrThread;
    int wakeWrite;
    bool reaped;
    {
        std::lock_guard lock(m_mutex);
        pid = m_pid;
        reaped = m_exitStatus.has_value();
        if (pid <= 0)
            return;
        // Closing the input is the end-of-file that engines take as "quit".
        closeFd(m_stdin);
        stderrThread = std::move(m_stderrThread);
        wakeWrite = m_stderrWake[1];
    }
    if (!reaped) {
        if (!exitedWithin(pid, graceMs)) {
            ::kill(-pid, SIGTERM);
            if (!exitedWithin(pid, 500))
                ::kill(-pid, SIGKILL);
        }
        // The leader is gone or going, but a wrapper's engine may live on in its group. The
        // unreaped leader still holds the group id, so this reaches only our own processes.
        ::kill(-pid, SIGKILL);
        int status = 0;
        pid_t done;
        while ((done = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) { }
        std::lock_guard lock(m_mutex);
        m_exitStatus = done == pid ? status : -1;
    }
    if (wakeWrite >= 0) {
        char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeWrite, &byte, 1);
    }
    if (stderrThread.joinable())
        stderrThread.join();
    std::lock_guard lock(m_mutex);
    closeFd(m_stdout);
    closeFd(m_stderrWake[0]);
    closeFd(m_stderrWake[1]);
    m_pid = -1;
    m_outputClosed = true;
}

std::optional<int> UciProcess::exitStatus() const
{
    std::lock_guard lock(m_mutex);
    return m_exitStatus;
}

std::string UciProcess::stderrTail() const
{
    std::lock_guard lock(m_stderrMutex);
    return m_stderrTail;
}

} // namespace velmorak
