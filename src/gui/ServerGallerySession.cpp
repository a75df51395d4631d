#include "gui/ServerGallerySession.h"

#include <QEventLoop>
#include <QTimer>

#include "app/Application.h"
#include "server/ServerDispatcher.h"

namespace velmorak::gui {

class ServerGallerySession::Waits final : public ServerWaits {
public:
    void runFor(int ms) override
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

// The session's recognisers as a connection reaches them: a dispatcher over its pages.
class ServerGallerySession::Pages final : public ServerLineHandler {
public:
    explicit Pages(ServerSession& session)
        : m_session(session)
        , m_dispatcher(session.dialect(), *this)
    {
    }

    void feed(std::string_view line) { m_dispatcher.callHandlers(line); }
    ServerReceiveFlags& flags() { return m_dispatcher.flags(); }

    bool addConsoleLine(std::string_view line) override
    {
        return m_session.console().addString(line);
    }
    void log(std::string_view text) override { m_session.log().logMessage(text); }
    bool serverGameMode() const override { return false; }
    bool observeMode() const override { return false; }
    bool hasCurrentGame() const override { return true; }
    int serverGameNumber() const override { return -1; }
    bool takeWhoEntries(std::string_view line) override
    {
        return m_session.lists().takeWhoEntries(line);
    }
    void handleServerLine(const ServerLineEvent& event) override
    {
        if (event.kind == ServerLineKind::WhoEnd) {
            m_session.lists().finishWho(m_dispatcher.flags());
            return;
        }
        (void)(m_session.chat().handle(event) || m_session.variables().handle(event) ||
            m_session.finger().handle(event) || m_session.lists().handle(event));
    }

private:
    ServerSession& m_session;
    ServerDispatcher m_dispatcher;
};

ServerGallerySession::ServerGallerySession(GameController& controller, AppSettings& settings)
    : m_waits(std::make_unique<Waits>())
    , m_session(std::make_unique<ServerSession>(
          controller, settings, m_socket, systemClock(), *m_waits, m_view))
    , m_pages(std::make_unique<Pages>(*m_session))
{
}

ServerGallerySession::~ServerGallerySession() = default;

std::unique_ptr<ServerGallerySession> ServerGallerySession::withPages(
    GameController& controller, AppSettings& settings)
{
    auto sample = std::make_unique<ServerGallerySession>(controller, settings);
    sample->feedPages();
    return sample;
}

void ServerGallerySession::feed(std::initializer_list<std::string_view> lines)
{
    for (std::string_view line : lines)
        m_pages->feed(line);
}

void ServerGallerySession::feedPages()
{
    ServerCommandSink& offline = m_session->commandSink();
    m_session->chat().joinChannel(4, offline);
    m_session->chat().joinChannel(53, offline);
    m_session->chat().setSessionHandle("GuestKLMN");
    m_session->lists().requestWho(m_pages->flags(), offline);
    feed({
        "1343.mgatto   1685 Hamster    ++++.GuestKLMN",
        "1719.gbtami   1810.Snail      ----:LectureBot",
        "6 players displayed (of 6). (*) indicates system administrator.",
        "Welcome to the Free Internet Chess Server.",
        "fics% ",
        "Notification: mgatto has arrived.",
        "mgatto tells you: hello, a game of blitz later?",
        "puzzlebot(TD) tells you: To solve the next problem type \"tell puzzlebot next\"",
        "gbtami(1719)[77] kibitzes: Example 2: Dementyev vs Karpov, Riga 1971",
        "Hamster(4): anyone up for a 5 0?",
        "Snail(4): after this game",
        "LectureBot(TD)(53): Lecture 12 starts in 5 minutes: the Lucena position",
    });
    m_session->chat().sendChat("mgatto", "gladly, in ten minutes", offline);
    m_session->log().logMessage("+channel 4");
    m_session->log().logMessage("+channel 53");
    m_session->log().logMessage("added chat partner mgatto");
    m_session->log().logMessage("tell mgatto gladly, in ten minutes");
}

void ServerGallerySession::feedVariables()
{
    feed({
        "Variable settings of GuestKLMN:",
        "",
        "time=2       private=0     shout=1         pin=0           style=12",
        "inc=12       jprivate=0    cshout=1        notifyby=0      flip=0",
        "rated=0      kibitz=1      availinfo=0     highlight=0",
        "open=1       automail=0    kiblevel=0      availmin=0      bell=1",
        "interface=\"a chess program\"",
        "fics% ",
    });
}

void ServerGallerySession::feedFinger()
{
    feed({
        "Finger of mgatto:",
        "",
        "On for: 44 mins   Idle: 0 secs",
        "",
        "rating     RD      win    loss    draw   total   best",
        "Blitz      1343     51.5     937     781      58    1776   1729 (20-Feb-2000)",
        "Standard   1685    332.0      56      39       7     102   1813 (03-Sep-2004)",
        "Lightning  1269     64.4     653     718      32    1403   1873 (30-Jan-2000)",
        "",
        "Total time online: 64 days, 20 hrs, 58 mins",
        "% of life online:  1.3  (since Sun Oct  3, 13:12 PDT 1999)",
        "",
        "Timeseal 1 : On",
        "fics% ",
    });
}

} // namespace velmorak::gui
