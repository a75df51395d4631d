#pragma once

#include <QEvent>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "app/GameController.h"
#include "gui/MainWindow.h"
#include "rules/Board.h"
#include "rules/Square.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

class QAbstractButton;
class QComboBox;
class QWidget;

// Failures print the text, not its UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace velmorak::test {

struct WindowSetup {
    bool animation = false;
    bool oneTap = false;
    std::optional<std::string> fen {};
    // Further settings (dwords) as the settings file holds them.
    std::vector<std::pair<std::string, int>> settings {};
};

// The real main window on the offscreen platform, with the test engine (it answers every
// move at once with the first legal move), its settings file and documents in a private
// folder. Message boxes that open are recorded in `messages` and closed (or answered), so
// an unexpected one fails a test instead of hanging it.
class WindowHarness {
public:
    explicit WindowHarness(WindowSetup setup = {});
    ~WindowHarness();

    gui::MainWindow& window() { return *m_window; }
    // A new window on the same settings and documents; the old one is closed first.
    void reopen();
    // Resizes the window so that its board widget gets `width` x `height`.
    void resizeBoardTo(int width, int height);

    // The widget point at the centre of a square ("e4"); the status panel's widget rectangle.
    QPoint centreOf(std::string_view square);
    QRect statusPanel();
    // A left-button press, move or release on the board widget.
    void mouse(QEvent::Type type, QPoint at);
    // "g1 f3" taps the squares one after the other, "b1-c3" drags.
    void enter(std::string_view gesture);
    // Enters `gesture` and waits until the engine has answered it.
    void play(std::string_view gesture);
    // A letter typed on the board opens the move field: `line` goes there, then Return.
    void type(const char* line);
    // Writes `text` to the file `name` of the private folder and opens it; its path.
    std::string openFile(const std::string& name, const std::string& text);

    // Runs the event loop until `condition` holds; false after `ms` without.
    static bool waitUntil(const std::function<bool()>& condition, int ms = 5000);
    // Until white is to move again, nothing is animating and the engine is idle.
    bool waitForWhiteToMove();
    // Runs `answer` on the dialog titled `title` once it shows (a modal dialog runs its own
    // loop, so this must be set up before the command that opens it).
    void whenDialogShows(const QString& title, std::function<void(QWidget&)> answer);
    // Runs `command`, and `answer` on the dialog titled `title` it opens; a failure when
    // none shows.
    void runDialog(int command, const QString& title, std::function<void(QWidget&)> answer);
    // Types `path` into a file dialog's name field and accepts it, as a user does (a file
    // picked with selectFile before the dialog has read its folder can be lost).
    static void chooseFile(QWidget& fileDialog, const std::string& path);
    // The button of `dialog` that shows `text` (mnemonics included); null when none does.
    static QAbstractButton* buttonNamed(QWidget& dialog, const QString& text);
    // Clicks that button; a failure when there is none.
    static void click(QWidget& dialog, const QString& text);
    // Picks entry `index` of `box` as a click in its list does.
    static void pick(QComboBox& box, int index);

    // What the board shows on a square, and the game's position.
    PieceCode shownAt(std::string_view square)
    {
        return m_window->boardView().pieceShownAt(squareFromText(square));
    }
    std::string fen() { return m_window->controller().board().fen(); }

    const TempFolder& folder() const { return m_folder; }
    std::string settingsPath() const { return m_folder.file("settings.reg"); }
    // A setting as the next start reads it from the file; -1 or "(missing)" when it is not there.
    int storedInt(std::string_view name) const;
    std::string storedString(std::string_view name) const;

    // Checked empty at the end: a test that expects a message takes it out.
    QStringList messages;
    QStringList takeMessages() { return std::exchange(messages, {}); }
    // Questions are answered OK instead of closed.
    bool answerOk = false;

private:
    void open();

    WindowSetup m_setup;
    TempFolder m_folder;
    ScopedEnvironment m_script { "VELMORAK_TESTENGINE_SCRIPT", std::nullopt };
    ScopedEnvironment m_inline { "VELMORAK_TESTENGINE", std::nullopt };
    std::unique_ptr<gui::MainWindow> m_window;
    QTimer m_messageWatch;
};

} // namespace velmorak::test
