// Keep-alive over D-Bus, against a bus daemon of the test's own and a screensaver service
// the test plays.
#include "gui/ScreenSaverInhibitor.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include <gtest/gtest.h>
#include <signal.h>

namespace velmorak::test {
namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kInhibit = QStringLiteral("Inhibit|Velmorak|Keep alive is on");

// The desktop's screensaver: writes each call down and hands out cookies from 41 on. Its
// calls come on the thread of the event loop, as the inhibitor's replies do.
struct FakeScreenSaver : QDBusVirtualObject {
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QStringList call { message.member() };
        for (const QVariant& argument : message.arguments())
            call << argument.toString();
        calls << call.join(QLatin1Char('|'));
        return connection.send(message.member() == QStringLiteral("Inhibit")
                ? message.createReply(QVariant::fromValue(nextCookie++))
                : message.createReply());
    }
    QString introspect(const QString&) const override { return {}; }
    QStringList calls;
    uint nextCookie = 41;
};

// A private session bus, ended with the test; our connection and the screensaver's; what
// the inhibitor says on standard error.
struct ScreenSaverBus {
    ScreenSaverBus()
    {
        if (FILE* daemon =
                ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r")) {
            char line[512] {};
            if (std::fgets(line, sizeof line, daemon))
                address = QString::fromUtf8(line).trimmed();
            if (std::fgets(line, sizeof line, daemon))
                pid = std::atoi(line);
            ::pclose(daemon);
        }
        ours = QDBusConnection::connectToBus(address, QStringLiteral("ours"));
        service = QDBusConnection::connectToBus(address, QStringLiteral("screensaver"));
        EXPECT_TRUE(ours.isConnected()) << "no dbus-daemon: " << address.toStdString();
        EXPECT_TRUE(
            service.registerVirtualObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &fake));
        std::cerr.rdbuf(errors.rdbuf());
    }
    ~ScreenSaverBus()
    {
        std::cerr.rdbuf(standardError);
        QDBusConnection::disconnectFromBus(QStringLiteral("ours"));
        QDBusConnection::disconnectFromBus(QStringLiteral("screensaver"));
        if (pid > 0)
            ::kill(pid, SIGTERM);
    }
    void offerService() { ASSERT_TRUE(service.registerService(kService)); }
    bool waitForCalls(qsizetype count)
    {
        return QTest::qWaitFor([&] { return fake.calls.size() >= count; });
    }
    QString address;
    int pid = 0;
    QDBusConnection ours { QString() };
    QDBusConnection service { QString() };
    FakeScreenSaver fake;
    std::ostringstream errors;
    std::streambuf* standardError = std::cerr.rdbuf();
};

TEST(ScreenSaverInhibitor, InhibitsOnceAndGivesTheSameCookieBack)
{
    ScreenSaverBus s;
    s.offerService();
    auto inhibitor = std::make_unique<ScreenSaverInhibitor>(s.ours);
    auto held = [&inhibitor] { return QTest::qWaitFor([&] { return inhibitor->isHeld(); }); };
    // Switched on, then ticks while the call is out and after it was granted.
    inhibitor->keepAwake();
    inhibitor->keepAwake();
    ASSERT_TRUE(held());
    inhibitor->keepAwake();
    inhibitor->allowSleep();
    inhibitor->allowSleep();
    ASSERT_TRUE(s.waitForCalls(2));

    // Switched off before the desktop answered: its cookie goes back as soon as it comes.
    inhibitor->keepAwake();
    inhibitor->allowSleep();
    ASSERT_TRUE(s.waitForCalls(4));
    EXPECT_FALSE(inhibitor->isHeld());

    // A screensaver that restarts has forgotten us: the next tick asks the new one.
    inhibitor->keepAwake();
    ASSERT_TRUE(held());
    ASSERT_TRUE(s.service.unregisterService(kService));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !inhibitor->isHeld(); }));
    s.offerService();
    inhibitor->keepAwake();
    ASSERT_TRUE(held());
    // The program ends while it holds one.
    inhibitor.reset();
    ASSERT_TRUE(s.waitForCalls(7));

    EXPECT_EQ(s.fake.calls,
        (QStringList { kInhibit, "UnInhibit|41", kInhibit, "UnInhibit|42", kInhibit, kInhibit,
            "UnInhibit|44" }));
    EXPECT_EQ(s.errors.str(), "");
}

TEST(ScreenSaverInhibitor, WithoutTheServiceOrABusOneLineSaysSoAndNothingElseHappens)
{
    ScreenSaverBus s;
    ScreenSaverInhibitor inhibitor(s.ours);
    // The desktop's screensaver comes later than the program: a later tick finds it.
    inhibitor.keepAwake();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.errors.str().empty(); }));
    inhibitor.keepAwake();
    s.offerService();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        inhibitor.keepAwake();
        return inhibitor.isHeld();
    }));
    EXPECT_EQ(s.fake.calls, QStringList { kInhibit });

    ScreenSaverInhibitor nowhere(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere")));
    nowhere.keepAwake();
    nowhere.keepAwake();
    nowhere.allowSleep();
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));

    const std::string said = s.errors.str();
    EXPECT_TRUE(said.starts_with(
        "velmorak: keep alive cannot keep the computer awake: org.freedesktop.ScreenSaver: "))
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    EXPECT_TRUE(said.ends_with(": no D-Bus session bus\n")) << said;
}

} // namespace
} // namespace velmorak::test
