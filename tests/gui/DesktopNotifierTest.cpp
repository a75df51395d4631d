// Desktop notes over D-Bus, against a bus daemon of the test's own and a notification service
// the test plays.
#include "gui/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <signal.h>

namespace velmorak::test {
namespace {

// Writes down each call: its signature and its texts.
struct FakeNotifications : QDBusVirtualObject {
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QStringList call { message.member(), message.signature() };
        for (const QVariant& argument : message.arguments())
            if (argument.typeId() == QMetaType::QString)
                call << argument.toString();
        calls << call.join(QLatin1Char('|'));
        return connection.send(message.createReply(QVariant::fromValue(uint(7))));
    }
    QString introspect(const QString&) const override { return {}; }
    QStringList calls;
};

TEST(DesktopNotifier, SendsTheNoteInTheFormTheDesktopReadsAndNothingWithoutABus)
{
    int pid = 0;
    QString address;
    if (FILE* daemon =
            ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r")) {
        char line[512] {};
        if (std::fgets(line, sizeof line, daemon))
            address = QString::fromUtf8(line).trimmed();
        if (std::fgets(line, sizeof line, daemon))
            pid = std::atoi(line);
        ::pclose(daemon);
    }
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("desk"));
        FakeNotifications fake;
        ASSERT_TRUE(
            service.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &fake));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
        gui::DesktopNotifier notifier(
            QDBusConnection::connectToBus(address, QStringLiteral("ours")));
        EXPECT_TRUE(notifier.notify(QStringLiteral("Challenge"), QStringLiteral("Rival (1500)")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !fake.calls.isEmpty(); }));
        EXPECT_EQ(fake.calls,
            QStringList { "Notify|susssasa{sv}i|Velmorak|velmorak|Challenge|Rival (1500)" });
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("desk"));
    QDBusConnection::disconnectFromBus(QStringLiteral("ours"));
    if (pid > 0)
        ::kill(pid, SIGTERM);

    gui::DesktopNotifier nowhere(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere")));
    EXPECT_FALSE(nowhere.notify(QStringLiteral("Challenge"), QString()));
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

} // namespace
} // namespace velmorak::test
