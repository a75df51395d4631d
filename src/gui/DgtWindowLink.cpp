#include "gui/DgtWindowLink.h"

#include <QDebug>

#include "app/GameController.h"
#include "app/UiThread.h"
#include "platform/PosixSerialPort.h"
#include "record/CGameNode.h"

namespace velmorak::gui {

DgtWindowLink::DgtWindowLink(GameController& controller, Clock& clock, UiThread& ui, Hooks hooks)
    : m_controller(controller)
    , m_clock(clock)
    , m_ui(ui)
    , m_hooks(std::move(hooks))
    , m_alive(std::make_shared<DgtWindowLink*>(this))
{
}

DgtWindowLink::~DgtWindowLink()
{
    m_alive.reset();
    // No poll runs any more: the window's event loops have all returned.
    m_current.reset();
    m_retired.clear();
}

bool DgtWindowLink::connect(const std::string& path)
{
    disconnect();
    dropRetired();
    auto connection = std::make_unique<Connection>();
    connection->port = std::make_unique<PosixSerialPort>();
    connection->driver = std::make_unique<DgtDriver>(*connection->port, m_clock);
    DgtLinkView& view = *this;
    connection->link =
        std::make_unique<DgtBoardLink>(m_controller, *connection->driver, m_clock, m_ui, view);
    if (!connection->link->connect(path))
        return false;
    m_current = std::move(connection);
    m_path = path;
    return true;
}

void DgtWindowLink::disconnect()
{
    if (!m_current)
        return;
    m_current->link->disconnect();
    m_retired.push_back(std::move(m_current));
    m_path.reset();
    if (m_hooks.disagreement)
        m_hooks.disagreement({});
    if (m_hooks.stateChanged)
        m_hooks.stateChanged();
}

void DgtWindowLink::dropRetired()
{
    std::erase_if(m_retired, [](const std::unique_ptr<Connection>& connection) {
        return !connection->link->isPolling();
    });
}

DgtBoardLink* DgtWindowLink::link()
{
    return m_current && m_current->link->isConnected() ? m_current->link.get() : nullptr;
}

void DgtWindowLink::boardMoveEntered(const CGameNode&)
{
    // The controller has drawn and announced it as any move of the user.
}

void DgtWindowLink::boardDisagrees(const std::vector<Square>& squares)
{
    if (m_hooks.disagreement)
        m_hooks.disagreement(squares);
}

void DgtWindowLink::clockTextsChanged(const DgtClockTexts&)
{
    // The clock timer redraws the clocks from the controller, which has the texts.
}

void DgtWindowLink::setupRequested()
{
    // Not from inside the poll: the set-up dialog polls the board itself while it is open.
    m_ui.post([alive = std::weak_ptr(m_alive)] {
        if (auto self = alive.lock(); self && (*self)->m_hooks.setupRequested)
            (*self)->m_hooks.setupRequested();
    });
}

void DgtWindowLink::dgtLog(std::string_view text)
{
    qWarning().noquote() << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void DgtWindowLink::connectionChanged(bool connected, std::string_view why)
{
    if (m_hooks.notice) {
        std::string text(why);
        if (text.empty())
            text = connected ? "DGT board connected" : "DGT board disconnected";
        m_hooks.notice(text);
    }
    if (m_hooks.stateChanged)
        m_hooks.stateChanged();
}

} // namespace velmorak::gui
