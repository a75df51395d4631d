#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/Clock.h"
#include "base/Error.h"
#include "server/ServerDialect.h"
#include "server/ServerDispatcher.h"
#include "server/ServerLineAssembler.h"
#include "server/ServerLineHandler.h"
#include "server/ServerLog.h"
#include "server/ServerSocket.h"
#include "server/ServerWaits.h"
#include "server/TextRingBuffer.h"

namespace velmorak {

// What the program around the client wants to hear of the connection besides the
// recognised lines (those go to the ServerLineHandler). Every call is made on the caller's
// thread from inside a client call.
class ServerClientListener {
public:
    virtual ~ServerClientListener() = default;

    // A line about to be handed to the dispatcher.
    virtual void lineReceived(std::string_view /*line*/) { }
    // A line sent, as the console shows it (a password as asterisks), without its line end.
    virtual void lineSent(std::string_view /*shown*/) { }
    // Logged in or out, the link alive or stalled, or the session name changed.
    virtual void stateChanged() { }
    // The connection was closed by the user: played and observed games are over for us.
    virtual void disconnected() { }
};

// The one connection to a chess server: connecting, the login handshake, the commands
// sent after it, sending lines (stamped with timeseal when the dialect asks), reading and
// assembling what the server sends and handing it, line by line, to the dispatcher; the
// keep-alive probe and stall detection; the console transcript and the log.
//
// Everything runs on the caller's thread: the front end calls checkForServerInput() every
// kPollIntervalMs while connected, and the waits of the login go through ServerWaits, so
// that the program goes on while the client waits. Times come from the Clock's 64-bit
// milliseconds. A handler may itself wait and poll again: a nested poll reads the socket
// but hands out no further line while an outer one is being handled (for up to
// kHandlerWatchdogMs).
class ServerClient {
public:
    static constexpr int kPollIntervalMs = 200;
    static constexpr int kLoginTimeoutMs = 10000;
    static constexpr std::int64_t kProbeAfterMs = 30000;
    static constexpr std::int64_t kStallAfterMs = 40000;
    static constexpr std::int64_t kHandlerWatchdogMs = 10000;
    static constexpr int kSendTimeoutMs = 2000;
    static constexpr int kSendRetryDelayMs = 2000;
    static constexpr std::size_t kReadSize = 8191;
    // Reads per poll at most, so that a flooding server cannot keep the poll from returning.
    static constexpr int kMaxReadsPerPoll = 64;
    static constexpr std::size_t kConsoleCapacity = 32000;
    static constexpr std::string_view kConsolePrefix = "VMK% ";
    // The name that asks both dialects' servers for a guest login (with an empty password).
    static constexpr std::string_view kGuestName = "guest";
    // When a file of this name lies in the program's folder, FICS lines go unstamped.
    static constexpr std::string_view kNoTimesealMarker = "notimeseal.txt";

    // None of the references is owned; all outlive the client.
    ServerClient(
        ServerSocket& socket, Clock& clock, ServerWaits& waits, ServerLineHandler& handler);
    ~ServerClient();
    ServerClient(const ServerClient&) = delete;
    ServerClient& operator=(const ServerClient&) = delete;

    void setListener(ServerClientListener* listener) { m_listener = listener; }

    // The dialects, as the settings fill them in (port, handle, password, timeseal).
    std::array<ServerDialect, kServerDialectCount>& dialects() { return m_dialects; }
    int dialectIndex() const { return m_dialectIndex; }
    const ServerDialect& dialect() const { return m_dialects[m_dialectIndex]; }
    // Makes `index` the current dialect; anything out of range means FICS.
    void setDialect(int index);
    // Turns FICS stamping off when kNoTimesealMarker exists in `folder`.
    void applyNoTimesealMarker(const std::string& folder);

    // Connects to `server`, a dialect name (its default host) or a host, on `port`, after
    // closing any connection; sends the timeseal hello when the dialect stamps. Fails with
    // the socket's message for the user.
    Status connectToServer(std::string_view server, int port);
    // The handshake: sends the name and the password, then waits up to kLoginTimeoutMs for
    // the name the server assigns. True with sessionHandle() set.
    bool loginToServer(std::string_view name, std::string_view password);
    // The settings every session needs, in their order: no seek ads, style-12 boards, no
    // shouts.
    void sendLoginSettings();
    // The whole login: the handshake, then the settings and online() on success; on failure
    // the connection is closed.
    bool logIn(std::string_view name, std::string_view password);
    bool logInAsGuest() { return logIn(kGuestName, {}); }
    // Says goodbye when connected, closes, forgets everything half read, and goes offline.
    void disconnectFromServer();

    // Reads all that is waiting, then hands queued lines to the dispatcher; true when any
    // data arrived. Returns false at once when not connected.
    bool checkForServerInput();
    // Runs `work` once at the start of the next poll, before anything is read (a resumed
    // game fetching its moves).
    void runAtNextPoll(std::function<void()> work) { m_atNextPoll = std::move(work); }

    // Sends one command line. Control characters (a pasted line break among them) become
    // blanks, so a line is always one command. Does nothing when not connected.
    void sendTextFICS(std::string_view text);
    // Sends a password: as sendTextFICS, but shown in the log and console as asterisks.
    void sendSecret(std::string_view text);

    bool connected() const { return m_socket.isOpen(); }
    bool online() const { return m_online; }
    bool linkAlive() const { return m_linkAlive; }
    // A read found the connection closed or broken: nothing more will arrive on it, though
    // it stays open (and the session online) until the user logs out.
    bool connectionClosed() const { return m_connectionLost; }
    // Commands sent after the login handshake whose prompt has not come back yet. The server
    // answers each command with its prompt, in order; a list that ends with a prompt must not be
    // taken as ended by the prompt of an earlier command.
    int unansweredCommands() const { return m_unanswered; }
    const std::string& sessionHandle() const { return m_sessionHandle; }

    ServerReceiveFlags& flags() { return m_dispatcher->flags(); }
    TextRingBuffer& console() { return m_console; }
    ServerLog& log() { return m_log; }
    void logMessage(std::string_view text) { m_log.logMessage(text); }

    // The text of the failed-login box, the password as asterisks.
    static std::string loginFailedText(std::string_view name, std::string_view password);
    // `text` with every control character replaced by a blank.
    static std::string blankControls(std::string_view text);

private:
    class ConsoleHandler;

    void send(std::string_view text, bool secret);
    // One attempt at sending all of `bytes`; `sent` tells how many went.
    bool sendData(std::string_view bytes, std::size_t& sent);
    // Sends `payload`; after a failed or partial send waits kSendRetryDelayMs and sends
    // what is left once more. `shown` names the line in the log.
    bool transmit(std::string payload, std::string_view shown);
    bool receiveData(std::string& into);
    void checkLink();
    void dispatchQueued();
    void deliver(const std::string& line);
    // The handshake's look at a line as it arrives (or at a prompt waiting for its line end).
    void watchLogin(std::string_view line);
    void setLinkAlive(bool alive);
    void resetConnection();
    void rebuildDispatcher();

    ServerSocket& m_socket;
    Clock& m_clock;
    ServerWaits& m_waits;
    std::unique_ptr<ConsoleHandler> m_consoleHandler;
    ServerClientListener* m_listener = nullptr;

    std::array<ServerDialect, kServerDialectCount> m_dialects;
    int m_dialectIndex = kFicsDialect;
    std::unique_ptr<ServerDispatcher> m_dispatcher;
    ServerLineAssembler m_assembler;
    TextRingBuffer m_console;
    ServerLog m_log;

    std::string m_sessionHandle;
    bool m_online = false;
    bool m_linkAlive = false;
    bool m_timeseal = false; // the connection's dialect stamps
    std::optional<std::int64_t> m_lastReceive; // ticks of the last read that brought data
    bool m_probeSent = false;
    bool m_connectionLost = false; // a read found the connection closed or broken
    bool m_reading = false;
    bool m_dispatching = false;
    std::optional<std::int64_t> m_handlingSince; // a line is being handled since then
    std::function<void()> m_atNextPoll;
    bool m_retrying = false; // the rest of a partly sent line waits for its second try
    std::string m_deferred; // sent while m_retrying: goes right after that rest

    int m_unanswered = 0;
    bool m_awaitingLogin = false;
    std::string m_loginTail; // text after the last line end while the handshake waits
};

} // namespace velmorak
