#include "gui/ScreenSaverInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <iostream>

namespace velmorak {

namespace {

// A desktop that takes longer than this to answer counts as refusing; the next tick asks
// again.
constexpr int kCallTimeoutMs = 5000;

QString serviceName()
{
    return QStringLiteral("org.freedesktop.ScreenSaver");
}

QDBusMessage screenSaverCall(const QString& method)
{
    return QDBusMessage::createMethodCall(
        serviceName(), QStringLiteral("/org/freedesktop/ScreenSaver"), serviceName(), method);
}

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor() = default;

ScreenSaverInhibitor::ScreenSaverInhibitor(const QDBusConnection& bus)
    : m_bus(bus)
{
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    allowSleep();
}

void ScreenSaverInhibitor::keepAwake()
{
    m_wanted = true;
    if (m_cookie || m_pending || !connectBus())
        return;
    QDBusMessage call = screenSaverCall(QStringLiteral("Inhibit"));
    call << QStringLiteral("Velmorak") << QStringLiteral("Keep alive is on");
    m_pending = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(call, kCallTimeoutMs), &m_calls);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_calls,
        [this](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            inhibited(*finished);
        });
}

void ScreenSaverInhibitor::allowSleep()
{
    m_wanted = false;
    release();
}

bool ScreenSaverInhibitor::connectBus()
{
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    if (!m_bus->isConnected()) {
        report(QStringLiteral("no D-Bus session bus"));
        return false;
    }
    if (!m_serviceWatcher) {
        // A screensaver that restarts or is replaced forgets our cookie: ask the new one.
        m_serviceWatcher = std::make_unique<QDBusServiceWatcher>(
            serviceName(), *m_bus, QDBusServiceWatcher::WatchForOwnerChange);
        QObject::connect(m_serviceWatcher.get(), &QDBusServiceWatcher::serviceOwnerChanged,
            &m_calls, [this](const QString&, const QString& oldOwner, const QString&) {
                if (!oldOwner.isEmpty())
                    m_cookie.reset();
            });
    }
    return true;
}

void ScreenSaverInhibitor::inhibited(QDBusPendingCallWatcher& call)
{
    m_pending = false;
    QDBusPendingReply<uint> reply = call;
    if (reply.isError()) {
        report(serviceName() + QStringLiteral(": ") + reply.error().message());
        return;
    }
    m_cookie = reply.value();
    if (!m_wanted)
        release();
}

void ScreenSaverInhibitor::release()
{
    if (!m_cookie)
        return;
    QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
    call << *m_cookie;
    m_cookie.reset();
    // Nothing to wait for: a release that fails leaves an inhibition that ends with our
    // connection.
    m_bus->send(call);
}

void ScreenSaverInhibitor::report(const QString& why)
{
    if (m_reported)
        return;
    m_reported = true;
    std::cerr << "velmorak: keep alive cannot keep the computer awake: " << why.toStdString()
              << '\n';
}

} // namespace velmorak
