#pragma once

#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/ServerSession.h"
#include "base/Error.h"
#include "gui/BoardWidget.h"
#include "gui/DesktopNotifier.h"
#include "gui/DgtWindowLink.h"
#include "gui/QtClock.h"
#include "gui/QtEventPump.h"
#include "gui/QtPrompts.h"
#include "gui/QtServerWaits.h"
#include "gui/QtUiThread.h"
#include "platform/SystemTagSources.h"
#include "present/BoardView.h"
#include "present/CommandDispatcher.h"
#include "present/CommandTable.h"
#include "present/FrontEndPort.h"
#include "present/MoveInput.h"
#include "present/ScreenView.h"
#include "present/StatusPanel.h"
#include "present/WindowChrome.h"
#include "settings/SettingsStore.h"
#include "sound/MoveSounds.h"
#include "sound/SoundOutput.h"

class QAction;

namespace velmorak {
class PosixSocket;
}

namespace velmorak::gui {

class ServerSheetDialog;

// How the window is to start.
struct WindowStart {
    // The command-line arguments after the options: a PGN or book file.
    std::vector<std::string> arguments;
    // The settings key and the documents folder; empty for the user's own.
    std::string settingsPath;
    std::string documentsFolder;
    // A picture of the window is to be taken: no engine, nothing of the user's written.
    bool screenshot = false;
    std::optional<std::string> fen;
    std::optional<int> layout;
    // A plug-in to load instead of the stored one (tests use the test engine).
    std::optional<std::string> engine;
    // Where the engine plug-ins are; empty for the program's own folder.
    std::string pluginFolder;
};

// The main window: menu bar, command bar, the board widget and the move field. It owns the
// application object and the ports the core reaches the screen through, hands every menu
// item, button, key and typed line to the core's command dispatcher, and shows what the
// core's screen view reports (window chrome) and what it asks (dialogs).
class MainWindow : public QMainWindow,
                   private WindowChrome,
                   private FrontEndPort,
                   private ServerSessionView,
                   public PromotionPrompt {
    Q_OBJECT
public:
    explicit MainWindow(const WindowStart& start);
    ~MainWindow() override;

    // The start-up sequence; an error ends the program.
    Status start();
    // Files handed over by a second start of the program; while a box or dialog is open
    // they wait until it closes.
    void openFiles(const QStringList& files);
    // Runs command `id` as a menu item, a button or a key would.
    void runCommand(int id);

    Application& application() { return m_app; }
    GameController& controller() { return m_app.controller(); }
    BoardView& boardView() { return m_view.board(); }
    bool isAnimating() const { return m_view.isAnimating(); }
    BoardWidget& boardWidget() { return *m_board; }
    MoveInput& moveInput() { return *m_input; }
    QLineEdit* moveField() const { return m_moveField; }
    QAction* action(int command) const;
    QAction* barAction(int command) const;
    // The size and place the window had when it was last closed; false when none is stored
    // (the first start).
    bool restoreWindowGeometry();
    // Closes as the close button does, but asks nothing: a signal to end (the desktop
    // session ending) must not wait for an answer. A game on the server is left as logging
    // out leaves it.
    void closeOnSignal();
    // Whether the exit sequence has run.
    bool hasExited() const { return m_exited; }
    // What "About..." tells.
    AboutInfo aboutInfo();
    // Runs dialog `name` (DialogGallery) modal over the window; its exec() result, Rejected
    // for an unknown name.
    int openDialog(std::string_view name);
    // The options were changed while running: the board, the move input and the title show
    // them.
    void optionsChanged();
    // The chess-server session the window's dialogs work through.
    ServerSession& serverSession() { return *m_session; }
    // The DGT board's link while a board is connected; null otherwise.
    DgtBoardLink* dgtLink() { return m_dgt ? m_dgt->link() : nullptr; }
    // Runs the server sheet on `page` (ServerSheetDialog::Page); its exec() result.
    int openServerSheet(int page);
    // The page the next server sheet opens on.
    int serverSheetPage() const { return m_serverSheetPage; }

    // PromotionPrompt
    PieceCode askPromotion(bool white) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // A ".pgn" or ".kbk" file dropped on the window opens as if named on the command line.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // WindowChrome
    void setTitle(std::string_view title) override;
    void showCommandState(int command, bool enabled, bool checked) override;
    void layoutButtonsChanged() override;
    void statusChanged() override;
    void positionChanged(std::string_view description) override;
    // FrontEndPort
    bool serve(FrontEndRequest request) override;
    bool copyText(std::string_view text) override;
    std::optional<std::string> pastedText() override;
    // ServerSessionView
    void lineReceived(std::string_view line) override;
    void lineSent(std::string_view shown) override;
    void chatArrived(std::string_view page) override;
    void personalMessage(std::string_view from, std::string_view line) override;
    void whoListRead() override;
    void variablesRead() override;
    void fingerRead() override;
    void stateChanged() override;
    void connectionLost() override;
    void listRead(ServerList list) override;
    void gameStarted(int number, bool observing) override;
    void gameEnded(int number, const ServerGameResult& result) override;
    void setStatusLine(std::string_view text) override;
    void setBoardFlipped(bool blackAtBottom) override;
    void closeServerSheet() override;
    void observationEnded() override;
    bool askChallenge(const ServerChallenge& challenge) override;

    void askReconnect();
    // The text window open now shows what the session just read or sent.
    void refreshServerWindow();

    void createActions();
    void createMenus();
    void createCommandBar();
    void createShortcuts();
    void createMoveField();
    void createFocusChain();
    // Tab from the move field: the command bar's first button that can be pressed.
    void focusCommandBar();
    void openMenuBar();
    void updateCommandStates();
    PanelContent panelContent();
    // What the panel's texts are computed from, with the window's part filled in.
    StatusInput panelInput();
    void chooseLayoutFor(ScreenSize screen);
    void setLayout(int index);
    void toggleLayout();
    void showHelp(std::string_view anchor);
    void showContextMenu(QPoint globalPos, Point layoutPoint);
    void onTimer(Clock::TimerId id);
    void updateAnalysisList();
    // On the first status line of the current layout and scale.
    void placeMoveField();
    void openMoveField(const QString& text);
    void enterTypedLine();
    void closeMoveField();
    // Marks the field's text as refused and says why on the panel; empty clears both.
    void showTypedError(const QString& message);
    void applyFen(const std::string& fen);
    void readOptionsIntoView();
    void openHandedOverFiles();
    void showNotice(const QString& text);
    // Connects, changes or closes the DGT board as the options name its port; a port where
    // no board answers switches the option off.
    void followDgtOption();

    WindowStart m_start;
    QtPrompts m_prompts;
    QtUiThread m_ui;
    QtEventPump m_pump;
    QtClock m_clock;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<SettingsStore> m_autosaveStore;
    std::unique_ptr<SoundOutput> m_soundOutput;
    MoveSounds m_sounds;
    SystemTagSources m_tagSources;
    BoardWidget* m_board = nullptr;
    // The controller's view: made before the application, whose controller calls it while
    // being made; attached to the board widget once both exist.
    ScreenView m_view;
    std::unique_ptr<MoveInput> m_input;
    AnalysisList m_analysis;
    StatusRedraw m_statusRedraw;
    // The lines as the clock timer last saw them.
    StatusLines m_shownLines;
    std::map<int, QAction*> m_actions;
    std::map<int, QAction*> m_barActions;
    QToolBar* m_commandBar = nullptr;
    QPointer<QLineEdit> m_moveField;
    QString m_typedError;
    // Why no sound plays, a new book, or the last announcement: read on the second status
    // line until m_noticeUntil (ticks).
    QString m_notice;
    std::int64_t m_noticeUntil = 0;
    std::vector<QAction*> m_plainKeyShortcuts;
    // Alt is held and nothing else was pressed since: its release opens the menu bar.
    bool m_loneAlt = false;
    std::optional<ScreenSize> m_screen;
    // Files handed over and not yet opened, and the timer that looks again once a box that
    // held them back may have closed.
    QStringList m_handedOver;
    QTimer m_handOverRetry;
    bool m_exited = false;
    bool m_closingOnSignal = false;
    bool m_started = false;
    // The layout stored when the window started, and the one last used on each screen.
    std::optional<int> m_storedLayout;
    std::map<std::pair<int, int>, int> m_layoutForScreen;
    // Keep-alive on the desktop; none for a picture of the window. Outlives the application,
    // which lets the computer sleep again at its exit.
    std::unique_ptr<IdleInhibitor> m_idleInhibitor;
    // After every member the controller's view reaches: the controller calls it while it is
    // being made. The dispatcher needs the controller.
    Application m_app;
    std::unique_ptr<CommandDispatcher> m_dispatcher;
    // The chess server: the session after what it reaches (the controller, the settings, the
    // socket and the waits), so that it goes first.
    std::unique_ptr<PosixSocket> m_serverSocket;
    QtServerWaits m_serverWaits;
    std::unique_ptr<ServerSession> m_session;
    QPointer<ServerSheetDialog> m_serverSheet;
    int m_serverSheetPage = 0;
    // The session's status line, on the panel's second line while no notice covers it.
    QString m_serverStatus;
    bool m_reconnectAsked = false;
    DesktopNotifier m_notifier;
    // The DGT board, before the application it reaches goes.
    std::unique_ptr<DgtWindowLink> m_dgt;
};

} // namespace velmorak::gui
