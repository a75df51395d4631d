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
    // The link closes the port before the driver and the port go.
    m_link.reset();
}

bool DgtWindowLink::connect(const std::string& path)
{
    disconnect();
    m_port = std::make_unique<PosixSerialPort>();
    m_driver = std::make_unique<DgtDriver>(*m_port, m_clock);
    DgtLinkView& view = *this;
    m_link = std::make_unique<DgtBoardLink>(m_controller, *m_driver, m_clock, m_ui, view);
    if (!m_link->connect(path)) {
        m_link.reset();
        m_driver.reset();
        m_port.reset();
        return false;
    }
    m_path = path;
    return true;
}

void DgtWindowLink::disconnect()
{
    const bool was = m_link != nullptr;
    m_link.reset();
    m_driver.reset();
    m_port.reset();
    m_path.reset();
    if (was && m_hooks.disagreement)
        m_hooks.disagreement({});
    if (was && m_hooks.stateChanged)
        m_hooks.stateChanged();
}

DgtBoardLink* DgtWindowLink::link()
{
    return m_link && m_link->isConnected() ? m_link.get() : nullptr;
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
