#include "ServerFrontEnd.h"

#include <algorithm>
#include <ostream>

#include "CliArguments.h"
#include "PlayOutput.h"
#include "ServerBoardView.h"
#include "ServerInput.h"
#include "app/GameController.h"
#include "base/Clock.h"
#include "base/TaskQueue.h"
#include "present/TypedInput.h"
#include "rules/Board.h"
#include "server/ServerCommandSink.h"

namespace velmorak::cli {

namespace {

// Short enough that a typed line is taken at once, long enough not to spin.
constexpr int kInputStepMs = 20;
constexpr std::pair<std::string_view, InGameCommand> kInGameActions[] {
    { "draw", InGameCommand::Draw },
    { "resign", InGameCommand::Resign },
    { "abort", InGameCommand::Abort },
    { "adjourn", InGameCommand::Adjourn },
    { "flag", InGameCommand::Flag },
};

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view listKind(ServerList list)
{
    switch (list) {
    case ServerList::Seeks:
        return "sought";
    case ServerList::Observe:
        return "observe";
    case ServerList::Adjourned:
        return "adjourned";
    case ServerList::History:
        return "history";
    }
    return "sought";
}

} // namespace

ServerFrontEnd::ServerFrontEnd(GameController& controller, PlayOutput& output,
    ServerBoardView& board, ServerInput& input, TaskQueue& queue, Clock& clock, std::ostream& err)
    : m_controller(controller)
    , m_output(output)
    , m_board(board)
    , m_input(input)
    , m_queue(queue)
    , m_clock(clock)
    , m_err(err)
{
}

void ServerFrontEnd::note(std::string_view text)
{
    m_err << "velmorak-cli server: " << text << std::endl;
}

bool ServerFrontEnd::run(bool guest, std::string_view server)
{
    bool in = guest ? m_session->logInAsGuest(server) : m_session->logIn(server);
    if (!in)
        return false;
    m_nextPoll = m_clock.ticks() + ServerClient::kPollIntervalMs;
    while (!m_quit) {
        while (!m_quit) {
            std::optional<std::string> line = m_input.next();
            if (!line)
                break;
            handleLine(*line);
        }
        if (m_quit || m_input.ended())
            break;
        pass(static_cast<int>(std::max<std::int64_t>(0, m_nextPoll - m_clock.ticks())), true);
        pollWhenDue();
    }
    // The user asked to go: disconnecting adjourns or forfeits a running game, as the
    // server decides, without a question.
    m_session->logOut(false);
    return true;
}

void ServerFrontEnd::pass(int ms, bool untilLine)
{
    const std::int64_t deadline = m_clock.ticks() + ms;
    for (;;) {
        m_queue.runPending();
        std::int64_t left = deadline - m_clock.ticks();
        if (left <= 0 || m_quit)
            break;
        m_input.read(static_cast<int>(std::min<std::int64_t>(left, kInputStepMs)));
        if (untilLine && m_input.hasLine())
            break;
    }
    m_queue.runPending();
}

void ServerFrontEnd::pollWhenDue()
{
    if (m_clock.ticks() < m_nextPoll)
        return;
    m_nextPoll = m_clock.ticks() + ServerClient::kPollIntervalMs;
    if (m_session->connected())
        m_session->poll();
}

void ServerFrontEnd::runFor(int ms)
{
    pass(ms, false);
}

bool ServerFrontEnd::ask(std::string_view title, std::string_view text)
{
    m_output.line("message", std::string(title) + ": " + std::string(text));
    if (!m_session)
        return false;
    for (;;) {
        if (m_quit)
            return false;
        while (std::optional<std::string> line = m_input.next()) {
            if (*line == "/accept")
                return true;
            if (*line == "/decline")
                return false;
            handleLine(*line);
            if (m_quit)
                return false;
        }
        // The end of the input is a "/quit": no answer will come.
        if (m_input.ended()) {
            m_quit = true;
            return false;
        }
        pass(static_cast<int>(std::max<std::int64_t>(0, m_nextPoll - m_clock.ticks())), true);
        pollWhenDue();
    }
}

void ServerFrontEnd::handleLine(const std::string& line)
{
    if (line.starts_with('/')) {
        std::string_view rest = std::string_view(line).substr(1);
        std::size_t blank = rest.find(' ');
        std::string_view action = rest.substr(0, blank);
        std::string_view argument =
            blank == std::string_view::npos ? std::string_view {} : trimmed(rest.substr(blank));
        runAction(action, argument);
        return;
    }
    if (enterUserMove(line))
        return;
    m_session->sendConsoleLine(line);
}

bool ServerFrontEnd::enterUserMove(std::string_view line)
{
    const ControllerState& state = m_controller.state();
    if (!state.serverGameMode || state.observeMode)
        return false;
    Board board = m_controller.board();
    if (board.gameEnd() != GameEndCode::None)
        return false;
    std::uint8_t own = m_session->sync().ownColor() == 0 ? kWhiteSide : kBlackSide;
    if (board.sideToMove() != own)
        return false;
    Result<TypedLine> typed = readTypedLine(board, line);
    if (!typed || typed->command != TypedCommand::Move)
        return false;
    // The controller's guards and the sync send it, as a move made on the board.
    m_controller.userMove(typed->move, false);
    return true;
}

void ServerFrontEnd::playSeek(std::string_view argument)
{
    std::optional<long long> number = parseInteger(argument, 0, 999999);
    if (!number) {
        note("/play needs the number of a seek");
        return;
    }
    m_session->playSeek(static_cast<int>(*number));
}

void ServerFrontEnd::runAction(std::string_view action, std::string_view argument)
{
    ServerSession& s = *m_session;
    auto number = [&]() -> std::optional<int> {
        std::optional<long long> value = parseInteger(argument, 0, 999999);
        if (!value)
            m_err << "velmorak-cli server: /" << action << " needs a number" << std::endl;
        return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
    };
    auto needs = [&](std::string_view what) {
        if (argument.empty())
            m_err << "velmorak-cli server: /" << action << " needs " << what << std::endl;
        return !argument.empty();
    };
    const auto inGame = std::find_if(std::begin(kInGameActions), std::end(kInGameActions),
        [action](const auto& entry) { return entry.first == action; });
    if (action == "quit") {
        m_quit = true;
    } else if (action == "seek") {
        s.seek();
    } else if (action == "unseek") {
        s.unseek();
    } else if (action == "sought") {
        s.requestList(ServerList::Seeks);
    } else if (action == "games") {
        s.requestList(ServerList::Observe);
    } else if (action == "adjourned") {
        s.requestList(ServerList::Adjourned);
    } else if (action == "history") {
        s.requestList(ServerList::History);
    } else if (action == "who") {
        s.requestWho();
    } else if (action == "play") {
        playSeek(argument);
    } else if (action == "match") {
        if (needs("a name"))
            s.match(argument);
    } else if (action == "observe") {
        if (std::optional<int> game = number())
            s.observe(*game);
    } else if (action == "unobserve") {
        if (!s.unobserve())
            note("no game is observed");
    } else if (action == "resume") {
        s.resumeAny();
    } else if (inGame != std::end(kInGameActions) || action == "takeback") {
        // The buttons are there only during the user's own game.
        if (!m_controller.state().serverGameMode)
            note("no game of yours is running");
        else if (inGame != std::end(kInGameActions))
            s.inGame(inGame->second);
        else
            s.takeback();
    } else if (action == "finger") {
        s.requestFinger(argument);
    } else if (action == "tell") {
        std::size_t blank = argument.find(' ');
        if (blank == std::string_view::npos) {
            note("/tell needs a channel or name and a text");
            return;
        }
        s.sendChat(argument.substr(0, blank), trimmed(argument.substr(blank)));
    } else if (action == "reconnect") {
        s.reconnect();
    } else if (action == "accept" || action == "decline") {
        m_err << "velmorak-cli server: no question is waiting for /" << action << std::endl;
    } else {
        m_err << "velmorak-cli server: unknown action '/" << action
              << "'; the actions are /seek /unseek /sought /play /match /accept /decline /observe "
                 "/unobserve /games /adjourned /history /who /resume /draw /resign /abort "
                 "/adjourn /flag /takeback /finger /tell /reconnect /quit"
              << std::endl;
    }
}

void ServerFrontEnd::lineReceived(std::string_view line)
{
    m_output.line("<", line);
}

void ServerFrontEnd::lineSent(std::string_view shown)
{
    m_output.line(">", shown);
}

void ServerFrontEnd::connectionLost()
{
    note("the connection to the server was lost; /reconnect logs in again, /quit ends");
}

void ServerFrontEnd::printList(
    std::string_view kind, const std::vector<std::vector<std::string>>& rows)
{
    m_output.line("list", std::string(kind) + ' ' + std::to_string(rows.size()));
    for (const auto& row : rows) {
        std::string entry;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                entry += '|';
            entry += trimmed(row[i]);
        }
        m_output.line("entry", entry);
    }
}

void ServerFrontEnd::listRead(ServerList list)
{
    printList(listKind(list), m_session->lists().rows(list));
}

void ServerFrontEnd::whoListRead()
{
    // The player box of the seek page.
    std::vector<std::vector<std::string>> rows;
    for (const std::string& player : m_session->lists().whoList())
        rows.push_back({ player });
    printList("seek", rows);
}

void ServerFrontEnd::gameStarted(int number, bool)
{
    m_output.line("game", "started " + std::to_string(number));
    m_board.gameStarted(m_controller.board());
}

void ServerFrontEnd::gameEnded(int, const ServerGameResult& result)
{
    m_board.gameEnded();
    std::string text = "ended " + result.result;
    if (!result.reason.empty())
        text += ' ' + result.reason;
    m_output.line("game", text);
}

void ServerFrontEnd::setStatusLine(std::string_view text)
{
    if (!text.empty())
        note(text);
}

void ServerFrontEnd::lowTime()
{
    // The window warns with a sound; a terminal has only its text.
    note("your clock is running low");
}

bool ServerFrontEnd::askChallenge(const ServerChallenge& challenge)
{
    std::string text = challenge.players() + "\n" + challenge.terms();
    if (!challenge.note().empty())
        text += "\n" + challenge.note();
    return ask("Accept match", text);
}

} // namespace velmorak::cli
