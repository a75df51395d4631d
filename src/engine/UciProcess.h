#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "base/Clock.h"
#include "base/Error.h"

namespace velmorak {

// Splits a byte stream into lines. "\n" and "\r\n" end a line; a line longer than
// kMaxLineLength is cut there and the rest of it dropped, so an engine cannot make the host
// hold unbounded text.
class UciLineBuffer {
public:
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    void feed(std::string_view bytes);
    // The oldest complete line, without its line break.
    std::optional<std::string> takeLine();
    bool hasLine() const { return m_next < m_lines.size(); }

private:
    std::string m_partial;
    bool m_dropping = false;
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
};

// A child process spoken to through pipes: its standard input and output carry the text
// protocol, its standard error is read and discarded by a thread of its own (an undrained
// pipe would freeze the child once 64 KiB are waiting).
//
// The child leads a process group of its own, and terminate() ends the whole group: an
// engine started through a wrapper script that does not exec it goes with the script.
//
// Writing is safe from any thread and never raises SIGPIPE, even when the child has died;
// reading is for one thread at a time. terminate() always reaps the child: no zombie stays.
class UciProcess {
public:
    enum class ReadStatus { Line, Timeout, Closed };

    explicit UciProcess(Clock& clock)
        : m_clock(clock)
    {
    }
    ~UciProcess();
    UciProcess(const UciProcess&) = delete;
    UciProcess& operator=(const UciProcess&) = delete;

    // Starts the program (argv[0] is looked up in PATH when it holds no '/'). Fails with
    // NotFound or PermissionDenied for a program that is missing or not executable, else
    // ProcessFailed. A running child is terminated first.
    Status start(const std::vector<std::string>& argv);
    // False once the child has ended, even while nobody has read its output yet.
    bool isRunning() const;
    pid_t pid() const;
    // Whether the child's process group is busy though it may say nothing: one of its
    // processes is running or waiting for the disk, or the group used processor time since
    // the last call. An engine loading a large network on a loaded machine is busy; a
    // program that waits for input that never comes is not. Reads /proc; call from the
    // reading thread.
    bool isWorking();

    // Writes the line and a line break; false when the child does not take it (gone).
    bool writeLine(std::string_view line);
    // Waits up to `timeoutMs` (negative: forever) for a whole line from the child's output.
    ReadStatus readLine(std::string& line, int timeoutMs);

    // Closes the child's input, gives it `graceMs` to end by itself, then SIGTERM, then
    // SIGKILL; always waits for it. Safe to call when nothing runs.
    void terminate(int graceMs = 1000);
    // The child's exit status as waitpid reports it, after terminate() or a detected end.
    std::optional<int> exitStatus() const;
    // The last lines the child wrote to its standard error (for diagnostics).
    std::string stderrTail() const;

private:
    void drainStderr(int fd, int wakeFd);
    void appendStderr(std::string_view bytes);
    bool exitedWithin(pid_t pid, int milliseconds);

    Clock& m_clock;
    mutable std::mutex m_mutex;
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    int m_stderrWake[2] = { -1, -1 };
    std::thread m_stderrThread;
    UciLineBuffer m_lines;
    bool m_outputClosed = false;
    long long m_groupCpuTicks = 0;
    std::optional<int> m_exitStatus;
    mutable std::mutex m_stderrMutex;
    std::string m_stderrTail;
};

} // namespace velmorak
