#include "server/ServerClient.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "server/ServerPattern.h"
#include "server/Timeseal.h"

namespace velmorak {

namespace {

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
        c == '-';
}

bool isTitleCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*';
}

// `line` with the bracketed titles servers append to names ("Name(TM)(GM)", "GuestAB(U)")
// taken out: the login templates expect the bare name before a blank or a quote.
std::string withoutTitles(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == '(' && !out.empty() && (isNameCharacter(out.back()) || out.back() == ')')) {
            std::size_t end = i + 1;
            while (end < line.size() && isTitleCharacter(line[end])) {
                ++end;
            }
            if (end > i + 1 && end < line.size() && line[end] == ')') {
                i = end + 1;
                continue;
            }
        }
        out += line[i];
        ++i;
    }
    return out;
}

} // namespace

// Stands between the dispatcher and the program's handler: the console and the log are the
// client's own, everything else is the program's.
class ServerClient::ConsoleHandler final : public ServerLineHandler {
public:
    ConsoleHandler(ServerClient& client, ServerLineHandler& handler)
        : m_client(client)
        , m_handler(handler)
    {
    }

    bool addConsoleLine(std::string_view line) override
    {
        return m_client.m_console.addString(line);
    }
    void log(std::string_view text) override { m_client.m_log.logMessage(text); }
    bool serverGameMode() const override { return m_handler.serverGameMode(); }
    bool observeMode() const override { return m_handler.observeMode(); }
    bool hasCurrentGame() const override { return m_handler.hasCurrentGame(); }
    int serverGameNumber() const override { return m_handler.serverGameNumber(); }
    bool takeWhoEntries(std::string_view line) override { return m_handler.takeWhoEntries(line); }
    void handleServerLine(const ServerLineEvent& event) override
    {
        m_handler.handleServerLine(event);
    }

private:
    ServerClient& m_client;
    ServerLineHandler& m_handler;
};

ServerClient::ServerClient(
    ServerSocket& socket, Clock& clock, ServerWaits& waits, ServerLineHandler& handler)
    : m_socket(socket)
    , m_clock(clock)
    , m_waits(waits)
    , m_consoleHandler(std::make_unique<ConsoleHandler>(*this, handler))
    , m_dialects(makeServerDialects())
    , m_console(kConsoleCapacity)
{
    rebuildDispatcher();
}

ServerClient::~ServerClient() = default;

void ServerClient::rebuildDispatcher()
{
    m_dispatcher =
        std::make_unique<ServerDispatcher>(m_dialects[m_dialectIndex], *m_consoleHandler);
}

void ServerClient::setDialect(int index)
{
    const int wanted = index >= 0 && index < kServerDialectCount ? index : kFicsDialect;
    if (wanted != m_dialectIndex) {
        m_dialectIndex = wanted;
        rebuildDispatcher();
    }
}

void ServerClient::applyNoTimesealMarker(const std::string& folder)
{
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(folder) / kNoTimesealMarker, error)) {
        m_dialects[kFicsDialect].bTimeseal = 0;
    }
}

std::string ServerClient::loginFailedText(std::string_view name, std::string_view password)
{
    return "Login as " + std::string(name) + ", password=" + std::string(password.size(), '*') +
        " failed! Disconnecting.";
}

std::string ServerClient::blankControls(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            c = ' ';
        }
    }
    return out;
}

void ServerClient::setLinkAlive(bool alive)
{
    if (alive != m_linkAlive) {
        m_linkAlive = alive;
        if (m_listener != nullptr) {
            m_listener->stateChanged();
        }
    }
}

void ServerClient::resetConnection()
{
    m_assembler.reset();
    m_unanswered = 0;
    flags() = {};
    m_lastReceive.reset();
    m_probeSent = false;
    m_handlingSince.reset();
    m_loginTail.clear();
    m_deferred.clear();
    m_connectionLost = false;
}

Status ServerClient::connectToServer(std::string_view server, int port)
{
    std::string host(server);
    for (int i = 0; i < kServerDialectCount; ++i) {
        if (server == m_dialects[i].sName) {
            setDialect(i);
            host = m_dialects[i].sDefaultHost;
        }
    }
    resetConnection();
    m_online = false;
    const Status status = m_socket.connect(host, port);
    if (!status) {
        m_log.logMessage(status.error().message);
        setLinkAlive(false);
        return status;
    }
    m_timeseal = dialect().bTimeseal == 1;
    m_assembler.setPrompt(dialect().sPrompt);
    m_assembler.setTimesealRequests(m_timeseal);
    setLinkAlive(true);
    if (m_timeseal) {
        sendTextFICS(kTimesealHello);
    }
    return {};
}

bool ServerClient::loginToServer(std::string_view name, std::string_view password)
{
    m_sessionHandle.clear();
    m_loginTail.clear();
    m_awaitingLogin = true;
    m_unanswered = 0;
    sendTextFICS(name);
    sendSecret(password);
    for (int waited = 0;
         m_awaitingLogin && connected() && !m_connectionLost && waited < kLoginTimeoutMs;
         waited += kPollIntervalMs) {
        m_waits.runFor(kPollIntervalMs);
        checkForServerInput();
    }
    const bool loggedIn = !m_awaitingLogin && !m_sessionHandle.empty();
    m_awaitingLogin = false;
    m_loginTail.clear();
    if (m_listener != nullptr) {
        m_listener->stateChanged();
    }
    return loggedIn;
}

void ServerClient::sendLoginSettings()
{
    sendTextFICS(dialect().sSetSeek0);
    sendTextFICS(dialect().sStyle12);
    sendTextFICS(dialect().sSetShout0);
}

bool ServerClient::logIn(std::string_view name, std::string_view password)
{
    if (!connected()) {
        return false;
    }
    if (!loginToServer(name, password)) {
        m_log.logMessage(loginFailedText(name, password));
        disconnectFromServer();
        return false;
    }
    sendLoginSettings();
    m_online = true;
    if (m_listener != nullptr) {
        m_listener->stateChanged();
    }
    return true;
}

void ServerClient::disconnectFromServer()
{
    if (connected()) {
        sendTextFICS(dialect().sQuit);
        m_socket.close();
    }
    resetConnection();
    m_awaitingLogin = false;
    m_online = false;
    m_linkAlive = false;
    if (m_listener != nullptr) {
        m_listener->disconnected();
        m_listener->stateChanged();
    }
}

void ServerClient::watchLogin(std::string_view line)
{
    const ServerDialect& d = dialect();
    // The server's answer may follow its "login: " or "password: " prompt on the same line,
    // as the user's line end is not echoed.
    for (const std::string_view prompt : { "login: ", "password: " }) {
        if (line.starts_with(prompt)) {
            line.remove_prefix(prompt.size());
        }
    }
    PatternCaptures captures;
    const std::string bare = withoutTitles(line);
    for (const std::string_view text : { line, std::string_view(bare) }) {
        if (matchPattern(text, d.sLoginGuest, captures) && !captures.empty()) {
            m_sessionHandle = captures[0];
            m_awaitingLogin = false;
            sendTextFICS(d.sLoginConfirm);
            return;
        }
        if (matchPattern(text, d.sLoginRegistered, captures) && !captures.empty()) {
            m_sessionHandle = captures[0];
            m_awaitingLogin = false;
            return;
        }
    }
}

void ServerClient::checkLink()
{
    if (!m_linkAlive || !m_lastReceive) {
        return;
    }
    const std::int64_t silent = m_clock.ticks() - *m_lastReceive;
    if (silent <= kProbeAfterMs) {
        return;
    }
    if (!m_probeSent) {
        m_probeSent = true;
        sendTextFICS(dialect().sKeepAlive);
    } else if (silent > kStallAfterMs) {
        m_probeSent = false;
        m_log.logMessage("Warning: connection to server stalled.");
        setLinkAlive(false);
    }
}

bool ServerClient::receiveData(std::string& into)
{
    checkLink();
    if (!connected()) {
        return false;
    }
    switch (m_socket.receive(into, kReadSize)) {
    case ServerSocket::ReceiveStatus::Data:
        m_probeSent = false;
        m_lastReceive = m_clock.ticks();
        setLinkAlive(true);
        return true;
    case ServerSocket::ReceiveStatus::Nothing:
        return false;
    case ServerSocket::ReceiveStatus::Closed:
    case ServerSocket::ReceiveStatus::Failed:
        if (m_linkAlive) {
            m_log.logMessage("ERROR: SOCKET_ERROR, recvfrom");
        }
        m_connectionLost = true;
        setLinkAlive(false);
        return false;
    }
    return false;
}

bool ServerClient::checkForServerInput()
{
    if (!connected() || m_reading) {
        return false;
    }
    if (m_atNextPoll) {
        std::exchange(m_atNextPoll, {})();
        if (!connected()) {
            return false;
        }
    }
    bool arrived = false;
    const bool wasAwaitingLogin = m_awaitingLogin;
    m_reading = true;
    const bool wasDispatching = std::exchange(m_dispatching, true);
    std::string chunk;
    for (int reads = 0; reads < kMaxReadsPerPoll && receiveData(chunk); ++reads) {
        arrived = true;
        m_assembler.splitServerText(chunk);
        if (m_awaitingLogin) {
            for (const char c : chunk) {
                if (c == '\n') {
                    // Read here rather than from the dispatched lines: a long answer is held
                    // back by the assembler until the next line end, which may never come
                    // while the server waits for the user's return.
                    if (m_awaitingLogin) {
                        watchLogin(m_loginTail);
                    }
                    m_loginTail.clear();
                } else if (c != '\r' && c != '\0' && m_loginTail.size() < 1024) {
                    m_loginTail += c;
                }
            }
        }
    }
    m_dispatching = wasDispatching;
    m_reading = false;
    // A login prompt may wait for the user's answer without a line end.
    if (m_awaitingLogin && !m_loginTail.empty()) {
        std::string_view tail = m_loginTail;
        while (!tail.empty() && tail.back() == ' ') {
            tail.remove_suffix(1);
        }
        watchLogin(tail);
    }
    if (wasAwaitingLogin && !m_awaitingLogin) {
        // What is left of a line when the handshake ends is a prompt the user has answered
        // (the name and the password went out at once); the server sends no line end for it,
        // so it must not run into the server's next line.
        m_assembler.endPartialLine();
        m_loginTail.clear();
    }
    dispatchQueued();
    return arrived;
}

void ServerClient::dispatchQueued()
{
    while (!m_dispatching && m_assembler.hasInput() && connected()) {
        m_dispatching = true;
        const std::int64_t now = m_clock.ticks();
        if (m_handlingSince) {
            if (now - *m_handlingSince < kHandlerWatchdogMs) {
                m_dispatching = false;
                return;
            }
            m_log.logMessage("Warning: timeout exceeded in checkForServerInput, dwPrev=" +
                std::to_string(*m_handlingSince) + ", dwNow=" + std::to_string(now));
            m_handlingSince.reset();
        }
        std::optional<ServerInput> item = m_assembler.take();
        m_dispatching = false;
        if (!item) {
            return;
        }
        if (item->kind == ServerInput::Kind::TimesealRequest) {
            if (m_timeseal) {
                transmit(stampOutgoing(kTimesealRequestAnswer, m_clock.ticks()), {});
            }
            continue;
        }
        m_handlingSince = now;
        deliver(item->text);
        m_handlingSince.reset();
        flags().bAwaitingReply = false;
    }
}

void ServerClient::deliver(const std::string& line)
{
    if (m_listener != nullptr) {
        m_listener->lineReceived(line);
    }
    if (m_unanswered > 0 && line == dialect().sPrompt) {
        --m_unanswered;
    }
    m_dispatcher->callHandlers(line);
}

void ServerClient::sendTextFICS(std::string_view text)
{
    send(text, false);
}

void ServerClient::sendSecret(std::string_view text)
{
    send(text, true);
}

void ServerClient::send(std::string_view text, bool secret)
{
    if (!connected()) {
        return;
    }
    const std::string line = blankControls(text);
    const std::string shown = secret ? std::string(line.size(), '*') : line;
    m_log.logMessage(shown);
    if (m_listener != nullptr) {
        m_listener->lineSent(shown);
    }
    const std::string payload =
        m_timeseal ? stampOutgoing(line, m_clock.ticks()) : line + dialect().sLineEnd;
    const bool sent = transmit(payload, shown);
    if (sent && !m_awaitingLogin) {
        ++m_unanswered;
    }
    if (sent && line != dialect().sKeepAlive) {
        if (!m_console.addString(std::string(kConsolePrefix) + shown)) {
            m_log.logMessage("addString failed in sendTextFICS");
        }
    }
}

bool ServerClient::sendData(std::string_view bytes, std::size_t& sent)
{
    sent = 0;
    const Status status = m_socket.send(bytes, sent, kSendTimeoutMs);
    if (status && sent == bytes.size()) {
        setLinkAlive(true);
        return true;
    }
    m_log.logMessage("ERROR: sendData only sent " + std::to_string(sent) + " < " +
        std::to_string(bytes.size()) + " bytes");
    setLinkAlive(false);
    return false;
}

bool ServerClient::transmit(std::string payload, std::string_view shown)
{
    if (m_retrying) {
        // The rest of a line still waits to go: whatever is sent meanwhile follows it.
        m_deferred += payload;
        return true;
    }
    std::size_t sent = 0;
    if (sendData(payload, sent)) {
        return true;
    }
    m_log.logMessage("ERROR: sendTextFICS failed 1!");
    if (m_connectionLost) {
        // Nothing will go through a connection the server closed: no point in waiting.
        m_log.logMessage("ERROR: sendTextFICS failed 2: " + std::string(shown));
        return false;
    }
    m_retrying = true;
    m_waits.runFor(kSendRetryDelayMs);
    m_retrying = false;
    payload.erase(0, std::min(sent, payload.size()));
    payload += std::exchange(m_deferred, {});
    if (connected() && sendData(payload, sent)) {
        return true;
    }
    m_log.logMessage("ERROR: sendTextFICS failed 2: " + std::string(shown));
    return false;
}

} // namespace velmorak
