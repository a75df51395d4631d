#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace velmorak::cli {

// Reads lines from a file descriptor (standard input) on a thread of its own and hands
// each to `onLine`, then calls `onEnd` once at the end of the input or on a read error.
// Both run on the reading thread: they post to the main loop. A line longer than `maxLine`
// bytes is cut there and the rest of it dropped, so endless input without line breaks
// costs no memory. stop() ends the thread even while no input comes (a terminal left
// open), so the program can exit without waiting for the user.
//
// Reading pauses while kMaxWaitingLines lines handed on wait to be taken (lineTaken()), so
// input that comes faster than the game takes it (`yes e4 | velmorak-cli play`) waits in
// the pipe and not in memory.
class PlayInputReader {
public:
    static constexpr int kMaxWaitingLines = 256;

    PlayInputReader(int fd, std::size_t maxLine, std::function<void(std::string)> onLine,
        std::function<void()> onEnd);
    ~PlayInputReader();
    PlayInputReader(const PlayInputReader&) = delete;
    PlayInputReader& operator=(const PlayInputReader&) = delete;

    // Starts reading; false when the wake-up pipe cannot be made.
    bool start();
    void stop();
    // A line handed on was taken off the wait (any thread).
    void lineTaken();

private:
    void run();
    // Waits until a line may be handed on; false when stopped meanwhile.
    bool waitForRoom();

    int m_fd;
    std::size_t m_maxLine;
    std::function<void(std::string)> m_onLine;
    std::function<void()> m_onEnd;
    int m_wake[2] = { -1, -1 };
    std::mutex m_mutex;
    std::condition_variable m_room;
    int m_waiting = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace velmorak::cli
