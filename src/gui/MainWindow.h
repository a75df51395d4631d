#pragma once

#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QToolBar>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/ControllerView.h"
#include "base/Error.h"
#include "gui/BoardWidget.h"
#include "gui/QtClock.h"
#include "gui/QtEventPump.h"
#include "gui/QtPrompts.h"
#include "gui/QtUiThread.h"
#include "platform/SystemTagSources.h"
#include "present/BoardView.h"
#include "present/CommandTable.h"
#include "present/MoveInput.h"
#include "present/StatusPanel.h"
#include "settings/SettingsStore.h"
#include "sound/MoveSounds.h"
#include "sound/SoundOutput.h"

class QAction;

namespace velmorak::gui {

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
// application object and the ports the core reaches the screen through, turns every menu
// item, button, key and tap into the core's commands, and draws what the core reports.
class MainWindow : public QMainWindow, public ControllerView, public PromotionPrompt {
    Q_OBJECT
public:
    explicit MainWindow(const WindowStart& start);
    ~MainWindow() override;

    // The start-up sequence; an error ends the program.
    Status start();
    // Files handed over by a second start of the program.
    void openFiles(const QStringList& files);
    // Runs command `id` as a menu item, a button or a key would.
    void runCommand(int id);

    Application& application() { return m_app; }
    GameController& controller() { return m_app.controller(); }
    BoardView& boardView() { return *m_boardView; }
    BoardWidget& boardWidget() { return *m_board; }
    MoveInput& moveInput() { return *m_input; }
    QLineEdit* moveField() const { return m_moveField; }
    QAction* action(int command) const;
    QAction* barAction(int command) const;
    // The size and place the window had when it was last closed; false when none is stored
    // (the first start).
    bool restoreWindowGeometry();
    // Whether the exit sequence has run.
    bool hasExited() const { return m_exited; }

    // ControllerView
    void drawMove(Move move, bool animate, bool withSound, bool highlight) override;
    void drawTakeBack(Move move, bool animate) override;
    void redrawBoard() override;
    void positionChanged(const Board& board) override;
    void moveEntered(const CGameNode& node) override;
    void setCommandEnabled(ControllerCommand command, bool enabled) override;
    void setCommandChecked(ControllerCommand command, bool checked) override;
    void invalidateStatus() override;
    void invalidateMoveList() override;
    void clearSelection() override;
    bool isAnimating() const override;
    void endAnimation() override;
    void showMoveThereAndBack(Move move, std::string_view san, bool threat) override;
    void setBoardFlipped(bool blackAtBottom) override;

    // PromotionPrompt
    PieceCode askPromotion(bool white) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createCommandBar();
    void createShortcuts();
    void createMoveField();
    void updateCommandStates();
    CommandState commandState();
    PanelContent panelContent();
    // What the panel's texts are computed from, with the window's part filled in.
    StatusInput panelInput();
    void chooseLayoutFor(ScreenSize screen);
    void setLayout(int index);
    void toggleLayout();
    void flipBoard();
    void showAbout();
    void showHelp(std::string_view anchor);
    void showContextMenu(QPoint globalPos, Point layoutPoint);
    void onTimer(Clock::TimerId id);
    void updateAnalysisList();
    void updateAccessibleBoard();
    void openMoveField(const QString& text);
    void enterTypedLine();
    void closeMoveField();
    void applyFen(const std::string& fen);
    void readOptionsIntoView();

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
    std::unique_ptr<BoardView> m_boardView;
    std::unique_ptr<MoveInput> m_input;
    bool m_canTakeBack = false;
    bool m_canGoForward = false;
    AnalysisList m_analysis;
    StatusRedraw m_statusRedraw;
    // The lines as the clock timer last saw them.
    StatusLines m_shownLines;
    std::map<int, QAction*> m_actions;
    std::map<int, QAction*> m_barActions;
    QToolBar* m_commandBar = nullptr;
    QPointer<QLineEdit> m_moveField;
    std::vector<QAction*> m_plainKeyShortcuts;
    std::optional<ScreenSize> m_screen;
    bool m_exited = false;
    bool m_started = false;
    // The layout stored when the window started, and the one last used on each screen.
    std::optional<int> m_storedLayout;
    std::map<std::pair<int, int>, int> m_layoutForScreen;
    // Last: the controller it makes calls the view back while it is being made, and every
    // member above must be ready for that.
    Application m_app;
};

} // namespace velmorak::gui
