#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ControllerPrompts.h"
#include "app/ServerGameSync.h"
#include "server/ServerChat.h"
#include "server/ServerClient.h"
#include "server/ServerCommands.h"
#include "server/ServerFinger.h"
#include "server/ServerLists.h"
#include "server/ServerOffers.h"
#include "server/ServerVariables.h"

namespace velmorak {

class AppSettings;
class MoveSounds;

// What the chess-server session tells the front end beyond the controller's own view and
// prompts (message boxes and Yes/No questions go through the controller's prompts, inside a
// modal scope, so that both front ends show them as they show every other box). Every call
// comes on the interface thread from inside a session call; none may destroy the session.
class ServerSessionView {
public:
    virtual ~ServerSessionView() = default;

    // A line handed to the dispatcher, and a line sent as the console shows it (a password
    // as asterisks).
    virtual void lineReceived(std::string_view /*line*/) { }
    virtual void lineSent(std::string_view /*shown*/) { }
    // Logged in or out, the link alive or stalled, the session name: the title and the
    // command bar change.
    virtual void stateChanged() { }
    // The connection broke while logged in (read error, closed by the server, stall): shown
    // at once; the user may reconnect.
    virtual void connectionLost() { }
    // One of the lists was read to its end (or its wait ran out): the lists hold it, sorted.
    virtual void listRead(ServerList /*list*/) { }
    virtual void whoListRead() { }
    virtual void variablesRead() { }
    virtual void fingerRead() { }
    // A tell, a channel line, a shout or a notification reached a chat or channel page.
    virtual void chatArrived(std::string_view /*page*/) { }
    // A message to the user alone (a tell): the desktop program notifies when its window is
    // in the background.
    virtual void personalMessage(std::string_view /*from*/, std::string_view /*line*/) { }
    // A played (`observing` false) or observed game began, or ended with `result`.
    virtual void gameStarted(int /*number*/, bool /*observing*/) { }
    virtual void gameEnded(int /*number*/, const ServerGameResult& /*result*/) { }
    // The one-line status area under the board; "" clears it.
    virtual void setStatusLine(std::string_view /*text*/) { }
    // Turns the board so that the user's colour is at the bottom.
    virtual void setBoardFlipped(bool /*blackAtBottom*/) { }
    // A played game begins: the server sheet closes when it is open.
    virtual void closeServerSheet() { }
    // The server ended the observation.
    virtual void observationEnded() { }
    // The "Accept match" dialog for a challenge: true to accept. The default declines.
    virtual bool askChallenge(const ServerChallenge& /*challenge*/) { return false; }
    // The user's own clock fell below the low-time mark in a played game.
    virtual void lowTime() { }
};

// The chess-server session: the one client connection with its dispatcher, the game sync
// (the controller's ServerLink while connected), the lists, chat, variables and finger,
// and the actions of the login dialog, the server sheet and the in-game commands. It is
// a source of moves beside the user and the engine: the server's moves reach the game
// through the controller's server entries, the user's leave through the sync.
//
// Front ends own one, hand it the real socket and their waits, call poll() every
// ServerClient::kPollIntervalMs while connected() and run the actions below from their
// dialogs and command lines. Every action shows its own refusals and results through the
// controller's prompts, so the desktop program and the command line behave alike.
// The user's own clock below this many seconds in a timed game gives one warning.
inline constexpr std::int64_t kLowTimeSeconds = 20;
// The console keeps this many typed lines.
inline constexpr std::size_t kConsoleHistoryLength = 100;

class ServerSession final : private ServerLineHandler,
                            private ServerGameHost,
                            private ServerCommandSink,
                            private ServerClientListener {
public:
    // The controller and settings must outlive the session; the settings give the login
    // data of both dialects, the seek settings and the sort modes, and get them back.
    ServerSession(GameController& controller, AppSettings& settings, ServerSocket& socket,
        Clock& clock, ServerWaits& waits, ServerSessionView& view);
    ~ServerSession() override;
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    // The folder of the program, where "notimeseal.txt" turns FICS stamping off.
    void setProgramFolder(const std::string& folder);
    // Sounds for game start, moves and low time; none: silent.
    void setSounds(MoveSounds* sounds) { m_sounds = sounds; }

    // --- Login dialog --------------------------------------------------------------------
    // Makes `dialect` current (out of range: FICS) and fills in its port, handle and
    // password from the settings.
    void selectDialect(int dialect);
    int dialectIndex() const { return m_client->dialectIndex(); }
    const ServerDialect& dialect() const { return m_client->dialect(); }
    // Stores the login fields of the current dialect in the settings (the password kept as
    // typed: the settings file is the user's own).
    void storeLogin(int port, std::string_view handle, std::string_view password);
    // Connects to `server` (a dialect name or a host) on the dialect's port and logs in with
    // the stored handle and password, or as guest. On success: the login settings are sent,
    // the session is online, "Logged in" is shown. On failure the message is shown and the
    // connection is closed. `server` empty: the current dialect's default host.
    bool logIn(std::string_view server = {});
    bool logInAsGuest(std::string_view server = {});
    // Logs out. During a played game asks first, unless `ask` is false (disconnecting
    // adjourns or forfeits it); false when the user said No.
    bool logOut(bool ask = true);
    // After a lost connection: logs in again as before, warning first when a game was
    // running.
    bool reconnect();
    // Connects and closes again: "Could connect to server!" or the connection's message.
    bool testConnection(std::string_view server, int port);

    bool connected() const { return m_client->connected(); }
    bool online() const { return m_client->online(); }
    bool linkAlive() const { return m_client->linkAlive(); }
    // The name the server gave the user at login; "" before.
    std::string sessionHandle() const override { return m_client->sessionHandle(); }

    // The main window's timer: reads and dispatches what arrived; nothing when offline.
    void poll();

    // --- Lists and the server sheet ----------------------------------------------------
    // Fetches a list and waits for its end (the window goes on meanwhile); false when the
    // request was refused or not online.
    bool requestList(ServerList list);
    bool requestWho();
    ServerLists& lists() { return *m_lists; }
    ServerSeekSettings seekSettings() const;
    // Stores the seek page's fields in the settings.
    void storeSeekSettings(const ServerSeekSettings& settings);

    // The sheet's actions. Each checks its guards, shows a refusal and returns false, or
    // sends its line.
    bool seek();
    bool unseek();
    bool match(std::string_view player);
    // Answers the selected seek / observes the selected game / continues, loads the
    // selected stored or finished game.
    bool playSelected();
    // Answers the seek numbered `number`: the listed one, or one announced since the list
    // was read.
    bool playSeek(int number);
    bool observeSelected();
    bool observe(int gameNumber);
    bool unobserve();
    bool continueSelectedAdjourned();
    bool loadSelectedAdjourned();
    bool loadSelectedHistory();
    bool resumeAny();

    // --- In-game commands -----------------------------------------------------------------
    // Asks its question first where it has one; nothing outside a played game.
    bool inGame(InGameCommand command);
    bool takeback();

    // --- Chat, channels, variables, finger, console -----------------------------------
    ServerChat& chat() { return *m_chat; }
    ServerVariables& variables() { return *m_variables; }
    ServerFinger& finger() { return *m_finger; }
    // Fingers `name` (the user for ""), waiting for the answer.
    bool requestFinger(std::string_view name);
    bool requestVariables();
    bool sendChat(std::string_view target, std::string_view message);
    // A console line: sent as typed (control bytes as blanks) and kept in the history.
    void sendConsoleLine(std::string_view text);
    // The typed console lines, oldest first, each once in a row.
    const std::vector<std::string>& consoleHistory() const { return m_consoleHistory; }
    TextRingBuffer& console() { return m_client->console(); }
    ServerLog& log() { return m_client->log(); }

    ServerClient& client() { return *m_client; }
    // Where the dialogs' own commands go (joining a channel, setting a variable).
    ServerCommandSink& commandSink() { return *this; }
    ServerGameSync& sync() { return *m_sync; }

private:
    // ServerLineHandler.
    bool addConsoleLine(std::string_view line) override;
    void log(std::string_view text) override;
    bool serverGameMode() const override;
    bool observeMode() const override;
    bool hasCurrentGame() const override;
    int serverGameNumber() const override;
    bool takeWhoEntries(std::string_view line) override;
    void handleServerLine(const ServerLineEvent& event) override;

    // ServerGameHost.
    void setStatusLine(std::string_view text) override;
    void waitAndPoll(int ms) override;
    bool answerCanCome() const override { return listening(); }
    void beep() override;
    void showNotice(std::string_view title, std::string_view text) override;
    void setBoardFlipped(bool blackAtBottom) override;
    void closeServerSheet() override;
    void observationEnded() override;
    void gameStarted(int number, bool observing) override;
    void gameEnded(int number, const ServerGameResult& result) override;

    // ServerCommandSink.
    void sendLine(std::string_view text) override;

    // ServerClientListener.
    void lineReceived(std::string_view line) override;
    void lineSent(std::string_view shown) override;
    void stateChanged() override;
    void disconnected() override;

    // The models hold the dialect and the dispatcher's flags: made anew with the dialect.
    void rebuildModels();
    bool connectAndLogIn(std::string_view server, bool guest);
    void checkLowTime();
    ServerActionState actionState() const;
    // Polls until every command sent so far has had its prompt back (or a short while).
    void settleAnswers();
    // Whether an answer can still come: connected, and the connection not found closed.
    bool listening() const;
    // Shows a guard's refusal; true when there was none.
    bool refuse(std::string_view refusal);
    // Ends an observation before an action that starts another game.
    void leaveObservation();
    bool loadStored(ServerList list);
    // Polls in small steps until `done` holds, for up to a few seconds.
    template <typename Done> bool waitForAnswer(Done done);
    void answerChallenge(const ServerChallenge& challenge, std::string_view line);
    void showPrompt(const ServerPrompt& prompt);
    void message(std::string_view title, std::string_view text, MessageIcon icon);
    bool question(std::string_view title, std::string_view text, bool defaultYes);

    GameController& m_controller;
    AppSettings& m_settings;
    ServerSessionView& m_view;
    ServerWaits& m_waits;
    MoveSounds* m_sounds = nullptr;
    std::unique_ptr<ServerClient> m_client;
    std::unique_ptr<ServerGameSync> m_sync;
    std::unique_ptr<ServerLists> m_lists;
    std::unique_ptr<ServerChat> m_chat;
    std::unique_ptr<ServerVariables> m_variables;
    std::unique_ptr<ServerFinger> m_finger;
    std::unique_ptr<ServerCommands> m_commands;
    std::vector<std::string> m_consoleHistory;
    std::string m_lastServer; // what the last login connected to, for reconnect
    bool m_lastGuest = false;
    bool m_wasLinkAlive = false;
    bool m_lowTimeWarned = false;
};

} // namespace velmorak
