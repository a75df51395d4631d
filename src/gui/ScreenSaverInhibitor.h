#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <memory>
#include <optional>

#include "app/IdleInhibitor.h"

class QDBusPendingCallWatcher;

namespace velmorak {

// Keeps the desktop's screensaver (and with it the screen lock and the suspend of an idle
// session) away through the freedesktop org.freedesktop.ScreenSaver service on the D-Bus
// session bus: Inhibit("Velmorak", "Keep alive is on") returns a cookie that UnInhibit()
// hands back. The desktop also ends the inhibition when our bus connection closes, so a
// program that crashes leaves nothing behind.
//
// Every call is asynchronous and never waits: a reply that does not come within a few
// seconds counts as a refusal. Without a session bus, or a desktop without the service,
// nothing happens but one line on standard error, the first time; a refused or lost
// inhibition (the service restarted) is asked for again at the next keepAwake(). Must be
// used on the thread of the Qt event loop that delivers the replies.
class ScreenSaverInhibitor final : public IdleInhibitor {
public:
    // On the desktop's session bus, connected at the first keepAwake().
    ScreenSaverInhibitor();
    // On `bus` (a private bus: tests).
    explicit ScreenSaverInhibitor(const QDBusConnection& bus);
    // Lets the computer sleep again when an inhibition is held.
    ~ScreenSaverInhibitor() override;
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;

    void keepAwake() override;
    void allowSleep() override;
    // Whether the desktop granted an inhibition that is still ours.
    bool isHeld() const { return m_cookie.has_value(); }

private:
    bool connectBus();
    void inhibited(QDBusPendingCallWatcher& call);
    void release();
    void report(const QString& why);

    std::optional<QDBusConnection> m_bus;
    std::unique_ptr<QDBusServiceWatcher> m_serviceWatcher;
    // Whether the application wants the computer awake; a reply that comes after it was
    // switched off is given back at once.
    bool m_wanted = false;
    bool m_pending = false;
    std::optional<uint> m_cookie;
    bool m_reported = false;
    // Last: destroyed first, so no reply reaches a half-destroyed object.
    QObject m_calls;
};

} // namespace velmorak
