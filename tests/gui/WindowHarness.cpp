#include "WindowHarness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/SettingsFileStore.h"
#include "present/BoardLayout.h"
#include "settings/RegistrySettings.h"

namespace velmorak::test {

WindowHarness::WindowHarness(WindowSetup setup)
    : m_setup(std::move(setup))
{
    // The program's book and sounds stay out; the options under test are set as a user's
    // settings file would hold them.
    SettingsFileStore store(settingsPath());
    store.writeValue("IDC_CBANIMATION", RegistryValue::dword(m_setup.animation ? 2 : 0));
    store.writeValue("IDC_CBONECLICK", RegistryValue::dword(m_setup.oneTap ? 1 : 0));
    store.writeValue("IDC_CBGUIBOOK", RegistryValue::dword(0));
    store.writeValue("IDC_CBSOUND", RegistryValue::dword(0));
    store.writeValue("Bookfilename", RegistryValue::string(""));
    for (const auto& [name, value] : m_setup.settings)
        store.writeValue(name, RegistryValue::dword(std::uint32_t(value)));
    m_messageWatch.setInterval(20);
    QObject::connect(&m_messageWatch, &QTimer::timeout, [this] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                messages << box->text();
                if (QAbstractButton* ok = box->button(QMessageBox::Ok); ok && answerOk)
                    ok->click();
                else
                    box->reject();
            }
    });
    m_messageWatch.start();
    open();
}

WindowHarness::~WindowHarness()
{
    // The exit sequence's own messages count too.
    if (m_window)
        m_window->close();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

void WindowHarness::open()
{
    gui::WindowStart start;
    start.settingsPath = settingsPath();
    start.documentsFolder = m_folder.path();
    start.engine = "TestEngine";
    start.pluginFolder = VELMORAK_BIN_DIR;
    start.fen = m_setup.fen;
    m_window = std::make_unique<gui::MainWindow>(start);
    Status started = m_window->start();
    ASSERT_TRUE(started) << started.error().message;
    m_window->show();
    // Keys go to the active window: shortcuts, Tab and the menu bar's Alt need it.
    m_window->activateWindow();
    waitUntil([&] { return m_window->isActiveWindow(); }, 1000);
    resizeBoardTo(480, 600);
}

void WindowHarness::reopen()
{
    m_window->close();
    m_window.reset();
    open();
}

void WindowHarness::resizeBoardTo(int width, int height)
{
    const QSize target(width, height);
    // The menu bar may wrap at another width, so the difference is measured again.
    for (int attempt = 0; attempt < 3 && m_window->boardWidget().size() != target; ++attempt) {
        const QSize extra = m_window->size() - m_window->boardWidget().size();
        m_window->resize(target + extra);
        waitUntil([&] { return m_window->boardWidget().size() == target; }, 1000);
    }
    ASSERT_EQ(m_window->boardWidget().size(), target);
}

QPoint WindowHarness::centreOf(std::string_view square)
{
    const Rect r = *m_window->boardView().squareRect(squareFromText(square));
    return m_window->boardWidget().transform().toWidget(r).center();
}

QRect WindowHarness::statusPanel()
{
    return m_window->boardWidget().transform().toWidget(
        panelRects(m_window->boardView().layoutIndex(), m_window->boardWidget().clientRect())
            .status);
}

void WindowHarness::mouse(QEvent::Type type, QPoint at)
{
    QWidget& board = m_window->boardWidget();
    QMouseEvent event(type, QPointF(at), QPointF(board.mapToGlobal(at)),
        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&board, &event);
}

void WindowHarness::enter(std::string_view gesture)
{
    if (gesture.size() == 5 && gesture[2] == '-') {
        const QPoint from = centreOf(gesture.substr(0, 2)), to = centreOf(gesture.substr(3));
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, (from + to) / 2);
        mouse(QEvent::MouseMove, to);
        mouse(QEvent::MouseButtonRelease, to);
        return;
    }
    for (std::size_t at = 0; at + 2 <= gesture.size(); at += 3) {
        mouse(QEvent::MouseButtonPress, centreOf(gesture.substr(at, 2)));
        mouse(QEvent::MouseButtonRelease, centreOf(gesture.substr(at, 2)));
    }
}

void WindowHarness::play(std::string_view gesture)
{
    enter(gesture);
    ASSERT_TRUE(waitForWhiteToMove()) << gesture;
}

void WindowHarness::type(const char* line)
{
    QTest::keyClick(&m_window->boardWidget(), line[0]);
    QTest::keyClicks(m_window->moveField(), line + 1);
    QTest::keyClick(m_window->moveField(), Qt::Key_Return);
}

std::string WindowHarness::openFile(const std::string& name, const std::string& text)
{
    const std::string path = m_folder.file(name);
    TempFolder::write(path, text);
    m_window->openFiles({ QString::fromStdString(path) });
    return path;
}

bool WindowHarness::waitUntil(const std::function<bool()>& condition, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

bool WindowHarness::waitForWhiteToMove()
{
    return waitUntil([this] {
        GameController& c = m_window->controller();
        return c.board().sideToMove() == kWhiteSide && !m_window->isAnimating() &&
            !c.isEngineBusy();
    });
}

void WindowHarness::whenDialogShows(const QString& title, std::function<void(QWidget&)> answer)
{
    auto* poll = new QTimer(m_window.get());
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, title, answer = std::move(answer)] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->windowTitle() == title) {
                poll->deleteLater();
                poll->stop();
                answer(*widget);
                return;
            }
    });
    poll->start();
}

void WindowHarness::runDialog(
    int command, const QString& title, std::function<void(QWidget&)> answer)
{
    // Shared: a dialog that never shows leaves the poll running past this call.
    auto shown = std::make_shared<bool>(false);
    whenDialogShows(title, [shown, answer = std::move(answer)](QWidget& dialog) {
        *shown = true;
        answer(dialog);
    });
    m_window->runCommand(command);
    EXPECT_TRUE(*shown) << title.toStdString();
}

void WindowHarness::chooseFile(QWidget& fileDialog, const std::string& path)
{
    auto* name = fileDialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path));
    QMetaObject::invokeMethod(&fileDialog, "accept");
}

QAbstractButton* WindowHarness::buttonNamed(QWidget& dialog, const QString& text)
{
    for (auto* button : dialog.findChildren<QAbstractButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

int WindowHarness::storedInt(std::string_view name) const
{
    SettingsFileStore store(settingsPath());
    int value = -1;
    RegistrySettings(store).readInt(name, value);
    return value;
}

std::string WindowHarness::storedString(std::string_view name) const
{
    SettingsFileStore store(settingsPath());
    std::string value = "(missing)";
    RegistrySettings(store).readString(name, value);
    return value;
}

void WindowHarness::pick(QComboBox& box, int index)
{
    box.setCurrentIndex(index);
    emit box.activated(index);
}

void WindowHarness::click(QWidget& dialog, const QString& text)
{
    if (QAbstractButton* button = buttonNamed(dialog, text))
        button->click();
    else
        ADD_FAILURE() << "no button " << text.toStdString();
}

} // namespace velmorak::test
