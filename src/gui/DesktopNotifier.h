#pragma once

#include <QDBusConnection>
#include <QString>
#include <optional>

namespace velmorak::gui {

// A passing note on the desktop (org.freedesktop.Notifications), for what happens while the
// window is in the background: a challenge waits in the window. Without a session bus or a
// notification service nothing is shown, and the window's own dialog is all there is.
class DesktopNotifier {
public:
    DesktopNotifier();
    explicit DesktopNotifier(const QDBusConnection& bus);

    // Sends the note without waiting for the desktop's answer; false when there is no bus.
    bool notify(const QString& summary, const QString& body);

private:
    std::optional<QDBusConnection> m_bus;
};

} // namespace velmorak::gui
