#include "app/ServerSession.h"

#include <algorithm>

#include "app/ControllerPrompts.h"
#include "settings/AppSettings.h"
#include "sound/MoveSounds.h"

namespace velmorak {
namespace {

// How long each list fetch polls, and whether it also waits for a first entry.
struct ListWait {
    bool ServerReceiveFlags::*flag;
    int stepMs;
    int limitMs;
    bool needsEntry;
};

constexpr ListWait listWait(ServerList list)
{
    switch (list) {
    case ServerList::Seeks:
        return { &ServerReceiveFlags::bReceivingGamesSeek, 200, 10000, false };
    case ServerList::Observe:
        return { &ServerReceiveFlags::bReceivingGamesObserve, 200, 10000, true };
    case ServerList::Adjourned:
        return { &ServerReceiveFlags::bReceivingGamesAdjourn, 100, 5000, false };
    case ServerList::History:
        return { &ServerReceiveFlags::bReceivingGamesHistory, 100, 5000, false };
    }
    return { &ServerReceiveFlags::bReceivingGamesSeek, 200, 10000, false };
}

constexpr int kWhoStepMs = 200;
constexpr int kWhoLimitMs = 5000;
constexpr int kAnswerStepMs = 100;
constexpr int kAnswerLimitMs = 5000;
// A request whose answer ends with the prompt first lets the prompts of earlier commands
// arrive, for up to this long.
constexpr int kSettleStepMs = 50;
constexpr int kSettleLimitMs = 2000;
// Leaving an observation before an action gives the server this long to stop sending it.
constexpr int kLeaveObserveMs = 100;

constexpr std::string_view kLogoutDuringGame =
    "A game is running on the server. Logging out adjourns it or forfeits it.\n\nLog out "
    "anyway?";
constexpr std::string_view kReconnectDuringGame =
    "A game was running when the connection was lost. The server may have adjourned it or "
    "ended it.\n\nLog in again?";

} // namespace

ServerSession::ServerSession(GameController& controller, AppSettings& settings,
    ServerSocket& socket, Clock& clock, ServerWaits& waits, ServerSessionView& view)
    : m_controller(controller)
    , m_settings(settings)
    , m_view(view)
    , m_waits(waits)
    , m_client(std::make_unique<ServerClient>(
          socket, clock, waits, static_cast<ServerLineHandler&>(*this)))
{
    m_client->setListener(this);
    selectDialect(settings.server);
}

ServerSession::~ServerSession()
{
    if (m_controller.serverLink() == m_sync.get())
        m_controller.setServerLink(nullptr);
    m_client->setListener(nullptr);
    m_lists->storeSettings(m_settings);
}

void ServerSession::setProgramFolder(const std::string& folder)
{
    m_client->applyNoTimesealMarker(folder);
}

// --- Login ---------------------------------------------------------------------------------

void ServerSession::selectDialect(int dialect)
{
    if (connected())
        return;
    m_client->setDialect(dialect);
    const int index = m_client->dialectIndex();
    m_settings.server = index;
    ServerDialect& current = m_client->dialects()[static_cast<std::size_t>(index)];
    const ServerLoginSettings& login = m_settings.servers[static_cast<std::size_t>(index)];
    current.nPort = login.port > 0 && login.port <= 65535
        ? login.port
        : kServerDefaultPorts[static_cast<std::size_t>(index)];
    current.sHandle = login.handle;
    current.sPassword = login.password;
    rebuildModels();
}

void ServerSession::rebuildModels()
{
    // The dialect and the dispatcher's flags the models hold change with the dialect.
    if (m_lists)
        m_lists->storeSettings(m_settings);
    const ServerDialect& dialect = m_client->dialect();
    ServerReceiveFlags& flags = m_client->flags();
    auto logger = [this](std::string_view text) { log(text); };
    m_sync = std::make_unique<ServerGameSync>(m_controller, dialect, flags,
        static_cast<ServerCommandSink&>(*this), static_cast<ServerGameHost&>(*this));
    m_lists = std::make_unique<ServerLists>(dialect, logger);
    m_lists->loadSettings(m_settings);
    m_chat = std::make_unique<ServerChat>(dialect, m_client->console(), logger);
    m_variables = std::make_unique<ServerVariables>(dialect);
    m_finger = std::make_unique<ServerFinger>(dialect);
    m_commands = std::make_unique<ServerCommands>(
        dialect, static_cast<ServerCommandSink&>(*this), flags, logger);
}

void ServerSession::storeLogin(int port, std::string_view handle, std::string_view password)
{
    const auto index = static_cast<std::size_t>(m_client->dialectIndex());
    ServerLoginSettings& login = m_settings.servers[index];
    login.port = port;
    login.handle = handle;
    login.password = password;
    ServerDialect& current = m_client->dialects()[index];
    current.nPort = port > 0 && port <= 65535 ? port : kServerDefaultPorts[index];
    current.sHandle = handle;
    current.sPassword = password;
}

bool ServerSession::logIn(std::string_view server)
{
    return connectAndLogIn(server, false);
}

bool ServerSession::logInAsGuest(std::string_view server)
{
    return connectAndLogIn(server, true);
}

bool ServerSession::connectAndLogIn(std::string_view server, bool guest)
{
    if (online())
        return true;
    std::string host(server);
    for (int i = 0; i < kServerDialectCount; ++i)
        if (server == kServerDialectNames[static_cast<std::size_t>(i)])
            selectDialect(i);
    if (host.empty() || host == m_client->dialect().sName)
        host = m_client->dialect().sDefaultHost;
    m_lastServer = host;
    m_lastGuest = guest;
    const ServerDialect& dialect = m_client->dialect();
    const Status connection = m_client->connectToServer(host, dialect.nPort);
    if (!connection) {
        message(kProgramTitle, connection.error().message + "\n\nCould not connect to server!",
            MessageIcon::Stop);
        return false;
    }
    const std::string name = guest ? std::string(ServerClient::kGuestName) : dialect.sHandle;
    const std::string password = guest ? std::string() : dialect.sPassword;
    // A server that refuses the password may close the connection right after the name
    // was accepted: that is a failed login too, not a session that never hears again.
    if (!m_client->logIn(name, password) || m_client->connectionClosed()) {
        if (connected())
            m_client->disconnectFromServer();
        message(kProgramTitle, ServerClient::loginFailedText(name, password), MessageIcon::Stop);
        return false;
    }
    // A new session starts with no partner pages; the channel pages and the log stay.
    m_chat = std::make_unique<ServerChat>(
        m_client->dialect(), m_client->console(), [this](std::string_view text) { log(text); });
    m_chat->setSessionHandle(sessionHandle());
    m_controller.setServerLink(m_sync.get());
    m_controller.setServerConnected(true);
    m_lowTimeWarned = false;
    message("Logged in", "Connected and logged in as " + sessionHandle() + "!",
        MessageIcon::Information);
    return true;
}

bool ServerSession::logOut(bool ask)
{
    if (ask && m_controller.state().serverGameMode) {
        if (!question(kProgramTitle, kLogoutDuringGame, false))
            return false;
    }
    m_client->disconnectFromServer();
    return true;
}

bool ServerSession::reconnect()
{
    if (m_lastServer.empty())
        return false;
    if (m_controller.state().serverGameMode && !question(kProgramTitle, kReconnectDuringGame, true))
        return false;
    const std::string server = m_lastServer;
    m_client->disconnectFromServer();
    return connectAndLogIn(server, m_lastGuest);
}

bool ServerSession::testConnection(std::string_view server, int port)
{
    if (connected()) {
        message(kProgramTitle, "Could connect to server!", MessageIcon::Information);
        return true;
    }
    std::string host(server);
    for (std::size_t i = 0; i < kServerDialectNames.size(); ++i)
        if (server == kServerDialectNames[i])
            host = m_client->dialects()[i].sDefaultHost;
    const Status connection = m_client->connectToServer(host, port);
    const bool ok = static_cast<bool>(connection);
    m_client->disconnectFromServer();
    message(kProgramTitle,
        ok ? std::string("Could connect to server!") : connection.error().message,
        ok ? MessageIcon::Information : MessageIcon::Stop);
    return ok;
}

void ServerSession::poll()
{
    if (!connected())
        return;
    m_sync->fetchResumedMoves();
    m_client->checkForServerInput();
    checkLowTime();
}

void ServerSession::checkLowTime()
{
    const ControllerState& state = m_controller.state();
    if (!state.serverGameMode || m_lowTimeWarned)
        return;
    const ServerGameKind& kind = m_sync->currentGameKind();
    if (kind.minutes == 0 && kind.increment == 0)
        return;
    const ClockParts clocks = m_controller.clocks();
    const std::int64_t left = m_sync->ownColor() == 1 ? clocks.blackSeconds : clocks.whiteSeconds;
    if (left > kLowTimeSeconds)
        return;
    m_lowTimeWarned = true;
    beep();
    m_view.lowTime();
}

// --- Lists ------------------------------------------------------------------------------

bool ServerSession::requestList(ServerList list)
{
    if (!online())
        return false;
    settleAnswers();
    ServerReceiveFlags& flags = m_client->flags();
    if (!m_lists->request(list, flags, *this))
        return false;
    const ListWait wait = listWait(list);
    for (int waited = 0; waited < wait.limitMs && listening(); waited += wait.stepMs) {
        if (!(flags.*wait.flag) && (!wait.needsEntry || !m_lists->entries(list).empty()))
            break;
        waitAndPoll(wait.stepMs);
    }
    m_lists->finish(list, flags);
    m_view.listRead(list);
    return true;
}

bool ServerSession::requestWho()
{
    if (!online())
        return false;
    settleAnswers();
    ServerReceiveFlags& flags = m_client->flags();
    if (!m_lists->requestWho(flags, *this))
        return false;
    for (int waited = 0; waited < kWhoLimitMs && listening(); waited += kWhoStepMs) {
        if (!flags.bReceivingWho && !m_lists->whoList().empty())
            break;
        waitAndPoll(kWhoStepMs);
    }
    m_lists->finishWho(flags);
    m_view.whoListRead();
    return true;
}

ServerSeekSettings ServerSession::seekSettings() const
{
    return ServerSeekSettings::from(m_settings);
}

void ServerSession::storeSeekSettings(const ServerSeekSettings& seek)
{
    seek.storeIn(m_settings);
    m_lists->setSeekSettings(seek);
}

// --- The sheet's actions ------------------------------------------------------------------

ServerActionState ServerSession::actionState() const
{
    return { online(), m_controller.state().serverGameMode };
}

void ServerSession::settleAnswers()
{
    m_client->checkForServerInput();
    for (int waited = 0;
         waited < kSettleLimitMs && listening() && m_client->unansweredCommands() > 0;
         waited += kSettleStepMs)
        waitAndPoll(kSettleStepMs);
}

bool ServerSession::listening() const
{
    return connected() && !m_client->connectionClosed();
}

bool ServerSession::refuse(std::string_view refusal)
{
    if (refusal.empty())
        return true;
    message(kProgramTitle, refusal, MessageIcon::Exclamation);
    return false;
}

void ServerSession::leaveObservation()
{
    if (!m_controller.state().observeMode)
        return;
    m_controller.SetObserveMode(false, -1);
    waitAndPoll(kLeaveObserveMs);
}

bool ServerSession::seek()
{
    return refuse(m_commands->sendSeek(actionState(), seekSettings()));
}

bool ServerSession::unseek()
{
    return refuse(m_commands->sendUnseek(actionState()));
}

bool ServerSession::match(std::string_view player)
{
    return refuse(m_commands->sendMatch(actionState(), player, seekSettings()));
}

bool ServerSession::playSelected()
{
    const ServerListEntry* seek = m_lists->selectedEntry(ServerList::Seeks);
    if (seek != nullptr && online() && !m_controller.state().serverGameMode)
        leaveObservation();
    return refuse(m_commands->sendPlay(actionState(), seek));
}

bool ServerSession::playSeek(int number)
{
    const auto& seeks = m_lists->entries(ServerList::Seeks);
    for (std::size_t row = 0; row < seeks.size(); ++row) {
        if (seeks[row].number == number) {
            m_lists->select(ServerList::Seeks, static_cast<int>(row));
            return playSelected();
        }
    }
    ServerListEntry seek;
    seek.number = number;
    if (online() && !m_controller.state().serverGameMode)
        leaveObservation();
    return refuse(m_commands->sendPlay(actionState(), &seek));
}

bool ServerSession::observeSelected()
{
    const ServerListEntry* game = m_lists->selectedEntry(ServerList::Observe);
    if (!online())
        return refuse(kPleaseLogin);
    if (m_controller.state().serverGameMode)
        return refuse(kFinishGameFirst);
    if (game == nullptr)
        return refuse(kSelectGameFirst);
    return observe(game->number);
}

bool ServerSession::observe(int gameNumber)
{
    if (!online())
        return refuse(kPleaseLogin);
    if (m_controller.state().serverGameMode)
        return refuse(kFinishGameFirst);
    leaveObservation();
    return m_sync->receiveObserveGame(gameNumber);
}

bool ServerSession::unobserve()
{
    if (!m_controller.state().observeMode)
        return false;
    m_controller.SetObserveMode(false, -1);
    return true;
}

bool ServerSession::continueSelectedAdjourned()
{
    const ServerListEntry* game = m_lists->selectedEntry(ServerList::Adjourned);
    if (game != nullptr && online() && !m_controller.state().serverGameMode)
        leaveObservation();
    return refuse(m_commands->continueAdjourned(actionState(), game));
}

bool ServerSession::loadStored(ServerList list)
{
    const ServerListEntry* game = m_lists->selectedEntry(list);
    if (!refuse(ServerCommands::loadGuard(actionState(), game)))
        return false;
    const bool adjourned = list == ServerList::Adjourned;
    if (adjourned && game->name.empty()) {
        log("ERRROR no opponent in adjourned game in adjournDlgProc (2)");
        return false;
    }
    leaveObservation();
    const std::string opponent = game->name;
    const int number = game->number;
    m_controller.newGame(false);
    const bool loaded =
        adjourned ? m_sync->receiveAdjournLoad(opponent) : m_sync->receiveHistoryLoad(number);
    if (!loaded) {
        message(kProgramTitle,
            adjourned ? "Loading adjourned game failed!" : "Loading historygame failed!",
            MessageIcon::Exclamation);
        return false;
    }
    const CPgnGame& loadedGame = m_controller.game();
    const std::string handle = sessionHandle();
    const auto same = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() &&
            std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) ==
                    std::tolower(static_cast<unsigned char>(y));
            });
    };
    if (same(loadedGame.white(), handle))
        m_view.setBoardFlipped(false);
    else if (same(loadedGame.black(), handle))
        m_view.setBoardFlipped(true);
    else
        log(adjourned ? "ERROR: loadAdjournGame without couldnt determine color"
                      : "ERROR: loadHistoryGame without couldnt determine color");
    m_view.closeServerSheet();
    return true;
}

bool ServerSession::loadSelectedAdjourned()
{
    return loadStored(ServerList::Adjourned);
}

bool ServerSession::loadSelectedHistory()
{
    return loadStored(ServerList::History);
}

bool ServerSession::resumeAny()
{
    return refuse(m_commands->resumeAny(actionState()));
}

// --- In-game commands -------------------------------------------------------------------

bool ServerSession::inGame(InGameCommand command)
{
    const ServerActionState state = actionState();
    if (!state.serverGameMode)
        return false;
    if (const InGameQuestion* ask = inGameQuestion(command)) {
        if (!question(ask->title, ask->text, false))
            return false;
    }
    return m_commands->sendInGame(actionState(), command);
}

bool ServerSession::takeback()
{
    const ControllerState& state = m_controller.state();
    if (!state.serverGameMode)
        return false;
    const bool whiteToMove = m_controller.board().sideToMove() == kWhiteSide;
    const bool userToMove = whiteToMove == (m_sync->ownColor() == 0);
    return m_commands->sendTakeback(actionState(), userToMove);
}

// --- Chat, variables, finger, console -----------------------------------------------------

template <typename Done> bool ServerSession::waitForAnswer(Done done)
{
    for (int waited = 0; waited < kAnswerLimitMs && listening(); waited += kAnswerStepMs) {
        if (done())
            return true;
        waitAndPoll(kAnswerStepMs);
    }
    return done();
}

bool ServerSession::requestFinger(std::string_view name)
{
    if (!online())
        return false;
    settleAnswers();
    ServerReceiveFlags& flags = m_client->flags();
    if (!m_finger->request(name, flags, *this))
        return false;
    // The flag rises only with the answer's first line: wait for that line too.
    const bool answered =
        waitForAnswer([&] { return !flags.bReceivingFinger && !m_finger->lines().empty(); });
    flags.bReceivingFinger = false;
    m_view.fingerRead();
    return answered;
}

bool ServerSession::requestVariables()
{
    if (!online())
        return false;
    settleAnswers();
    ServerReceiveFlags& flags = m_client->flags();
    if (!m_variables->request(flags, *this))
        return false;
    const bool answered =
        waitForAnswer([&] { return !flags.bReceivingVariables && !m_variables->names().empty(); });
    flags.bReceivingVariables = false;
    m_view.variablesRead();
    return answered;
}

bool ServerSession::sendChat(std::string_view target, std::string_view text)
{
    if (!online())
        return false;
    return m_chat->sendChat(target, text, *this);
}

void ServerSession::sendConsoleLine(std::string_view text)
{
    const std::string line = withoutControlBytes(text);
    if (!line.empty() && (m_consoleHistory.empty() || m_consoleHistory.back() != line))
        m_consoleHistory.push_back(line);
    if (m_consoleHistory.size() > kConsoleHistoryLength)
        m_consoleHistory.erase(m_consoleHistory.begin());
    m_client->sendTextFICS(line);
}

// --- What the dispatcher hands over ------------------------------------------------------

bool ServerSession::addConsoleLine(std::string_view line)
{
    return m_client->console().addString(line);
}

void ServerSession::log(std::string_view text)
{
    m_client->logMessage(text);
}

bool ServerSession::serverGameMode() const
{
    return m_controller.state().serverGameMode;
}

bool ServerSession::observeMode() const
{
    return m_controller.state().observeMode;
}

bool ServerSession::hasCurrentGame() const
{
    return true;
}

int ServerSession::serverGameNumber() const
{
    return m_sync->gameNumber();
}

bool ServerSession::takeWhoEntries(std::string_view line)
{
    return m_lists->takeWhoEntries(line);
}

void ServerSession::handleServerLine(const ServerLineEvent& event)
{
    if (m_sync->handleServerLine(event))
        return;
    ServerReceiveFlags& flags = m_client->flags();
    switch (event.kind) {
    case ServerLineKind::SoughtEnd:
        m_lists->finish(ServerList::Seeks, flags);
        return;
    case ServerLineKind::GamesEnd:
        m_lists->finish(ServerList::Observe, flags);
        return;
    case ServerLineKind::StoredEnd:
    case ServerLineKind::StoredNone:
        m_lists->finish(ServerList::Adjourned, flags);
        return;
    case ServerLineKind::HistoryEnd:
        m_lists->finish(ServerList::History, flags);
        return;
    case ServerLineKind::WhoEnd:
        m_lists->finishWho(flags);
        return;
    case ServerLineKind::FingerEnd:
        flags.bReceivingFinger = false;
        return;
    case ServerLineKind::VariablesEnd:
        m_variables->handle(event);
        flags.bReceivingVariables = false;
        return;
    case ServerLineKind::Issuing:
        return;
    default:
        break;
    }
    if (m_lists->handle(event) || m_variables->handle(event) || m_finger->handle(event))
        return;
    if (m_chat->handle(event)) {
        const std::string_view from =
            event.captures.empty() ? std::string_view() : std::string_view(event.captures[0]);
        m_view.chatArrived(from);
        if (event.kind == ServerLineKind::Tell)
            m_view.personalMessage(from, event.line);
        return;
    }
    if (auto challenge = ServerChallenge::read(event, m_client->dialect(), sessionHandle())) {
        answerChallenge(*challenge, event.line);
        return;
    }
    if (event.kind == ServerLineKind::Reply) {
        showPrompt(serverReplyPrompt(event.line));
        return;
    }
    const CPgnGame& game = m_controller.game();
    const std::string opponent = m_sync->ownColor() == 0 ? game.black() : game.white();
    if (auto prompt = serverPromptFor(event, m_client->dialect(), opponent))
        showPrompt(*prompt);
}

void ServerSession::answerChallenge(const ServerChallenge& challenge, std::string_view line)
{
    log("Received challenge: " + std::string(line));
    bool accept = false;
    {
        GameController::ModalDialogScope box(m_controller);
        accept = m_view.askChallenge(challenge);
    }
    m_client->checkForServerInput();
    challenge.answer(
        accept, m_client->dialect(), *this, [this](std::string_view text) { log(text); });
}

void ServerSession::showPrompt(const ServerPrompt& prompt)
{
    if (prompt.question) {
        if (m_sounds != nullptr)
            m_sounds->questionBeep();
        const bool yes = question(prompt.title, prompt.text, false);
        sendLine(yes ? prompt.yesLine : prompt.noLine);
        return;
    }
    beep();
    message(prompt.title, prompt.text,
        prompt.error ? MessageIcon::Exclamation : MessageIcon::Information);
}

void ServerSession::message(std::string_view title, std::string_view text, MessageIcon icon)
{
    GameController::ModalDialogScope box(m_controller);
    m_controller.prompts().showMessage(title, text, icon);
}

bool ServerSession::question(std::string_view title, std::string_view text, bool defaultYes)
{
    GameController::ModalDialogScope box(m_controller);
    return m_controller.prompts().askYesNo(title, text, MessageIcon::Question, defaultYes);
}

// --- The game sync's host -----------------------------------------------------------------

void ServerSession::setStatusLine(std::string_view text)
{
    m_view.setStatusLine(text);
}

void ServerSession::waitAndPoll(int ms)
{
    m_waits.runFor(ms);
    m_client->checkForServerInput();
}

void ServerSession::beep()
{
    if (m_sounds != nullptr)
        m_sounds->questionBeep();
}

void ServerSession::showNotice(std::string_view title, std::string_view text)
{
    message(title, text, MessageIcon::Information);
}

void ServerSession::setBoardFlipped(bool blackAtBottom)
{
    m_view.setBoardFlipped(blackAtBottom);
}

void ServerSession::closeServerSheet()
{
    m_view.closeServerSheet();
}

void ServerSession::observationEnded()
{
    m_view.observationEnded();
}

void ServerSession::gameStarted(int number, bool observing)
{
    if (!observing) {
        m_lowTimeWarned = false;
        if (m_sounds != nullptr && m_sounds->soundOn())
            m_sounds->questionBeep();
    }
    m_view.gameStarted(number, observing);
}

void ServerSession::gameEnded(int number, const ServerGameResult& result)
{
    m_view.gameEnded(number, result);
}

void ServerSession::sendLine(std::string_view text)
{
    m_client->sendTextFICS(text);
}

// --- The client's listener --------------------------------------------------------------

void ServerSession::lineReceived(std::string_view line)
{
    m_view.lineReceived(line);
}

void ServerSession::lineSent(std::string_view shown)
{
    m_view.lineSent(shown);
}

void ServerSession::stateChanged()
{
    const bool alive = m_client->linkAlive();
    const bool lost = online() && m_wasLinkAlive && !alive;
    m_wasLinkAlive = alive;
    m_view.stateChanged();
    if (lost)
        m_view.connectionLost();
}

void ServerSession::disconnected()
{
    m_controller.SetObserveMode(false, -1);
    m_controller.SetServerGameMode(false, -1);
    m_controller.setServerConnected(false);
    if (m_controller.serverLink() == m_sync.get())
        m_controller.setServerLink(nullptr);
    m_wasLinkAlive = false;
}

} // namespace velmorak
