#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "support/TempFolder.h"

namespace velmorak::test {

// A board on a pseudo-terminal: the program under test opens path(), a link that always
// leads to the current terminal, and a thread of the server's own answers what the program
// writes. The terminal is raw both ways, so every byte arrives as written.
//
// The responder runs on the server's thread, one call at a time, with each chunk as it was
// read (what the program wrote may come split or joined); what it returns is written back.
// Every member may be called from any thread.
class PtyBoardServer {
public:
    using Responder = std::function<std::string(std::string_view received)>;

    explicit PtyBoardServer(Responder responder = {});
    ~PtyBoardServer();
    PtyBoardServer(const PtyBoardServer&) = delete;
    PtyBoardServer& operator=(const PtyBoardServer&) = delete;

    // The board's port: a link in a private folder to the current terminal's device.
    const std::string& path() const { return m_link; }
    // The terminal device path() leads to while plugged in; empty after unplug().
    std::string devicePath() const;

    void setResponder(Responder responder);
    // A board that stops reading (false): what the program writes piles up until the
    // terminal's buffers are full and its writes find no room.
    void setReading(bool reading);
    // Sends `bytes` as the board would on its own (a piece moved); false when unplugged.
    bool send(std::string_view bytes);
    // Everything received since the start, and a wait for it to reach `count` bytes.
    std::string received() const;
    bool waitForReceived(std::size_t count, int timeoutMs = 5000) const;

    // Pulls the cable: the terminal is closed (the program sees a hang-up) and the link goes.
    void unplug();
    // A fresh terminal, and path() leads to it again.
    void plugBack();

private:
    void serve();
    void wake() const;

    TempFolder m_folder;
    std::string m_link;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_receivedMore;
    std::condition_variable m_roundDone;
    std::uint64_t m_round = 0; // the server's polls so far
    int m_master = -1;
    int m_slave = -1; // held so that the master never hangs up between the program's opens
    std::string m_device;
    std::string m_received;
    Responder m_responder;
    bool m_reading = true;
    bool m_stopping = false;
    int m_wake[2] = { -1, -1 };
    std::thread m_thread;
};

} // namespace velmorak::test
