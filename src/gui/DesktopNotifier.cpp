#include "gui/DesktopNotifier.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace velmorak::gui {

namespace {

// How long the note stays, in ms; the dialog in the window stays until answered.
constexpr int kExpireMs = 10000;

} // namespace

DesktopNotifier::DesktopNotifier() = default;

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus)
    : m_bus(bus)
{
}

bool DesktopNotifier::notify(const QString& summary, const QString& body)
{
    // The session bus is looked for only when a note is due: most runs never send one.
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    if (!m_bus->isConnected())
        return false;
    const QString service = QStringLiteral("org.freedesktop.Notifications");
    QDBusMessage call = QDBusMessage::createMethodCall(service,
        QStringLiteral("/org/freedesktop/Notifications"), service, QStringLiteral("Notify"));
    call << QStringLiteral("Velmorak") << uint(0) << QStringLiteral("velmorak") << summary << body
         << QStringList() << QVariantMap() << kExpireMs;
    return m_bus->send(call);
}

} // namespace velmorak::gui
