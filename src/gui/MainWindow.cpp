#include "gui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <iostream>
#include <utility>

#include "app/GameController.h"
#include "base/ProgramDirectory.h"
#include "engine/BookSettings.h"
#include "engine/HashSize.h"
#include "engine/OpeningBook.h"
#include "gui/AcceptMatchDialog.h"
#include "gui/BoardAccessible.h"
#include "gui/DialogGallery.h"
#include "gui/Icons.h"
#include "gui/Manual.h"
#include "gui/QtText.h"
#include "gui/ScreenSaverInhibitor.h"
#include "gui/ServerChannelsDialog.h"
#include "gui/ServerChatDialog.h"
#include "gui/ServerDialogRefresh.h"
#include "gui/ServerFingerDialog.h"
#include "gui/ServerSheetDialog.h"
#include "gui/ServerVariablesDialog.h"
#include "gui/SnapshotSettingsStore.h"
#include "platform/PosixSocket.h"
#include "platform/PulseSoundOutput.h"
#include "platform/SettingsFileStore.h"
#include "present/ContextMenu.h"
#include "present/SpokenStatus.h"
#include "present/TypedInput.h"
#include "present/WindowFit.h"
#include "record/CPgnGame.h"
#include "record/FenGame.h"
#include "record/FirstGame.h"
#include "rules/Board.h"

namespace velmorak::gui {

namespace {

constexpr std::string_view kTitle = "Velmorak";
// The window's size and place as Qt saves them, kept with the other settings.
constexpr std::string_view kGeometrySetting = "WindowGeometry";
// Where the promotion dialog opens, in layout pixels.
constexpr Point kPromotionDialogAt { 43, 93 };

std::unique_ptr<SettingsStore> makeStore(const WindowStart& start)
{
    auto file = std::make_unique<SettingsFileStore>(
        start.settingsPath.empty() ? defaultSettingsPath() : start.settingsPath);
    if (start.screenshot)
        return std::make_unique<SnapshotSettingsStore>(std::move(file));
    return file;
}

// How long the window's second status line shows a notice: no sound, a new book, or what
// was announced.
constexpr std::int64_t kNoticeMs = 15000;

std::unique_ptr<SoundOutput> makeSoundOutput(
    const WindowStart& start, Clock& clock, PulseSoundOutput::UnavailableNotice onUnavailable)
{
    if (start.screenshot)
        return std::make_unique<SilentSoundOutput>();
    return std::make_unique<PulseSoundOutput>(
        dataDirectory() + "/sounds", clock, std::move(onUnavailable));
}

QKeySequence acceleratorKey(const Accelerator& accelerator)
{
    switch (accelerator.key) {
    case AcceleratorKey::Letter:
        return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (accelerator.letter - 'A')));
    case AcceleratorKey::ShiftLetter:
        return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key(Qt::Key_A + (accelerator.letter - 'A')));
    case AcceleratorKey::Left:
        return QKeySequence(Qt::Key_Left);
    case AcceleratorKey::Right:
        return QKeySequence(Qt::Key_Right);
    case AcceleratorKey::Up:
        return QKeySequence(Qt::Key_Up);
    case AcceleratorKey::Down:
        return QKeySequence(Qt::Key_Down);
    case AcceleratorKey::Enter:
        return QKeySequence(Qt::Key_Return);
    }
    return {};
}

// The requests the window serves by running one of its dialogs (DialogGallery).
constexpr std::pair<FrontEndRequest, std::string_view> kRequestDialogs[] = {
    { FrontEndRequest::About, "about" },
    { FrontEndRequest::Options, "options" },
    { FrontEndRequest::Levels, "levels" },
    { FrontEndRequest::SelectBook, "book" },
    { FrontEndRequest::SetupBoard, "setup" },
    { FrontEndRequest::GameMoves, "moves" },
    { FrontEndRequest::GameDetails, "details" },
    { FrontEndRequest::CommentMove, "comment" },
    { FrontEndRequest::LoadGame, "database" },
    { FrontEndRequest::SaveGame, "save" },
    { FrontEndRequest::ServerLogin, "server-login" },
};

// The requests that open the server sheet, on their page.
constexpr std::pair<FrontEndRequest, int> kRequestSheetPages[] = {
    { FrontEndRequest::ServerSeekPage, ServerSheetDialog::SeekPage },
    { FrontEndRequest::ServerSoughtPage, ServerSheetDialog::SoughtPage },
    { FrontEndRequest::ServerObservePage, ServerSheetDialog::ObservePage },
    { FrontEndRequest::ServerAdjournedPage, ServerSheetDialog::AdjournedPage },
    { FrontEndRequest::ServerHistoryPage, ServerSheetDialog::HistoryPage },
};

constexpr std::pair<FrontEndRequest, InGameCommand> kRequestInGame[] = {
    { FrontEndRequest::ServerResign, InGameCommand::Resign },
    { FrontEndRequest::ServerFlag, InGameCommand::Flag },
    { FrontEndRequest::ServerAdjournGame, InGameCommand::Adjourn },
    { FrontEndRequest::ServerAbort, InGameCommand::Abort },
    { FrontEndRequest::ServerOfferDraw, InGameCommand::Draw },
};

template <class Dialog>
std::unique_ptr<ChessDialog> makeServerWindow(
    QWidget& parent, GameController& controller, ServerSession& session)
{
    return std::make_unique<Dialog>(&parent, controller, session);
}

// The server's text windows, over the window's own session.
constexpr std::pair<FrontEndRequest,
    std::unique_ptr<ChessDialog> (*)(QWidget&, GameController&, ServerSession&)>
    kRequestServerWindows[] = {
        { FrontEndRequest::ServerChat, &makeServerWindow<ServerChatDialog> },
        { FrontEndRequest::ServerChannels, &makeServerWindow<ServerChannelsDialog> },
        { FrontEndRequest::ServerVariables, &makeServerWindow<ServerVariablesDialog> },
        { FrontEndRequest::ServerFinger, &makeServerWindow<ServerFingerDialog> },
    };

// The local ".pgn" and ".kbk" files among dropped data.
QStringList droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (path.endsWith(QStringLiteral(".pgn"), Qt::CaseInsensitive) ||
            path.endsWith(QStringLiteral(".kbk"), Qt::CaseInsensitive))
            files << path;
    }
    return files;
}

} // namespace

MainWindow::MainWindow(const WindowStart& start)
    : m_start(start)
    , m_prompts(this)
    , m_store(makeStore(start))
    , m_autosaveStore(makeStore(start))
    , m_soundOutput(makeSoundOutput(start, m_clock,
          [this](const std::string& message) {
              // Move sounds fail on the sound thread; the window is only touched on its own.
              std::cerr << "velmorak: " << message << '\n';
              QMetaObject::invokeMethod(
                  this, [this, text = toQString(message)] { showNotice(text); },
                  Qt::QueuedConnection);
          }))
    , m_sounds(*m_soundOutput, dataDirectory() + "/announce")
    , m_view(*this, m_sounds, m_clock)
    , m_idleInhibitor(start.screenshot ? nullptr : std::make_unique<ScreenSaverInhibitor>())
    , m_app(ApplicationServices { m_prompts, m_view, m_ui, m_pump, m_clock, *m_store,
          *m_autosaveStore, m_sounds, m_tagSources,
          start.documentsFolder.empty() ? documentsDirectory() : start.documentsFolder,
          start.pluginFolder, [] { return availablePhysicalMemoryKb(); },
          [this](Clock::TimerId id) { onTimer(id); }, m_idleInhibitor.get() })
{
    setWindowTitle(toQString(kTitle));
    setWindowIcon(applicationIcon());
    setAcceptDrops(true);
    m_board = new BoardWidget(this);
    setCentralWidget(m_board);
    m_view.attach(controller(), *m_board);
    m_prompts.setController(&controller());
    m_input = std::make_unique<MoveInput>(controller(), m_view.board(), *this, m_sounds);
    FrontEndPort& frontEnd = *this;
    m_dispatcher = std::make_unique<CommandDispatcher>(controller(), m_prompts, frontEnd, &m_view);
    m_serverSocket = std::make_unique<PosixSocket>(m_clock);
    ServerSessionView& serverView = *this;
    m_session = std::make_unique<ServerSession>(
        controller(), m_app.options(), *m_serverSocket, m_clock, m_serverWaits, serverView);
    m_session->setProgramFolder(programDirectory());
    m_session->setSounds(&m_sounds);
    DgtWindowLink::Hooks dgtHooks;
    dgtHooks.setupRequested = [this] {
        // Another dialog open over the window keeps its place; the board asks again when
        // both kings are lifted once more.
        if (!controller().dialogOpen())
            runCommand(cmd::kSetupBoard);
    };
    dgtHooks.disagreement = [this](const std::vector<Square>& squares) {
        m_board->setBoardDisagreement(squares);
    };
    dgtHooks.notice = [this](const std::string& text) { showNotice(toQString(text)); };
    dgtHooks.stateChanged = [this] { updateCommandStates(); };
    m_dgt = std::make_unique<DgtWindowLink>(controller(), m_clock, m_ui, std::move(dgtHooks));
    m_board->panelContent = [this] { return panelContent(); };
    m_board->commandState = [this] { return m_view.commandState(); };
    m_board->onScreenChanged = [this](ScreenSize screen) { chooseLayoutFor(screen); };
    m_board->onCommand = [this](int id) { runCommand(id); };
    m_board->onMoveListNode = [this](const CGameNode* node) {
        controller().takeBackToNode(node);
        updateCommandStates();
    };
    m_board->onContextMenu = [this](QPoint global, Point point) { showContextMenu(global, point); };
    m_board->onAnimationFinished = [this] { updateCommandStates(); };
    m_board->readClocks = [this] { return spokenClocks(controller().clocks()); };
    readOptionsIntoView();
    m_board->attach(m_view.board(), *m_input);
    createActions();
    createMenus();
    createCommandBar();
    createShortcuts();
    createMoveField();
    createFocusChain();
    // A lone Alt, Tab into and out of the move field and a click on the board reach the
    // window wherever the focus is (eventFilter).
    qApp->installEventFilter(this);
    // Typed letters and the arrows start on the board, not on the command bar's first
    // button.
    m_board->setFocus();
    updateCommandStates();
    m_handOverRetry.setSingleShot(true);
    m_handOverRetry.setInterval(100);
    connect(&m_handOverRetry, &QTimer::timeout, this, &MainWindow::openHandedOverFiles);
}

MainWindow::~MainWindow()
{
    // The exit sequence still draws: it runs while the board view exists.
    if (m_app.isRunning())
        (void)m_app.exit();
}

Status MainWindow::start()
{
    StartRequest request;
    request.arguments = m_start.arguments;
    request.engine = m_start.engine;
    request.loadEngine = !m_start.screenshot;
    request.restoreAutosave = !m_start.screenshot;
    if (Status started = m_app.start(request); !started)
        return started;
    m_started = true;
    readOptionsIntoView();
    if (m_start.fen)
        applyFen(*m_start.fen);
    else if (!m_app.pgnToOpen().empty())
        openFiles({ QString::fromStdString(m_app.pgnToOpen()) });
    if (m_start.layout)
        setLayout(std::clamp(*m_start.layout, 0, kLayoutCount - 1));
    else if (m_screen)
        chooseLayoutFor(*m_screen);
    m_view.positionChanged(controller().board());
    if (!m_start.screenshot)
        followDgtOption();
    updateCommandStates();
    return {};
}

void MainWindow::readOptionsIntoView()
{
    AppSettings& options = m_app.options();
    m_board->artwork().choose(options.pieceSet, options.boardTextureBitmap());
    m_view.board().setAnimationSpeed(options.animation);
    m_view.board().setHighlightLastMove(options.highlightLastMove);
    if (m_view.board().flipped() != options.flipBoard)
        m_view.board().setFlipped(options.flipBoard);
    m_input->setOptions(
        MoveInput::Options { options.oneClick, options.highlightLegalMoves, options.autoAnswer });
}

void MainWindow::followDgtOption()
{
    std::optional<std::string> wanted = m_app.dgtPortPath();
    if (wanted == m_dgt->path() && (!wanted || m_dgt->link()))
        return;
    if (!wanted) {
        m_dgt->disconnect();
        return;
    }
    if (!m_dgt->connect(*wanted))
        m_app.options().dgtPort = 0;
}

void MainWindow::optionsChanged()
{
    if (m_started && !m_start.screenshot)
        followDgtOption();
    readOptionsIntoView();
    m_board->update();
    updateCommandStates();
}

void MainWindow::applyFen(const std::string& fen)
{
    if (!looksLikeFen(fen)) {
        m_prompts.showMessage(kTitle, notAFenMessage(fen), MessageIcon::Exclamation);
        return;
    }
    controller().setGame(gameFromFen(fen));
}

void MainWindow::openFiles(const QStringList& files)
{
    raise();
    activateWindow();
    // The open question stays in front: the files wait for its answer.
    if (QWidget* question = QApplication::activeModalWidget()) {
        question->raise();
        question->activateWindow();
    }
    m_handedOver << files;
    openHandedOverFiles();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // The drag source waits for the drop to return: open the files after it has.
    QMetaObject::invokeMethod(
        this, [this, files] { openFiles(files); }, Qt::QueuedConnection);
}

void MainWindow::openHandedOverFiles()
{
    // Files still waiting when the window closes are not opened.
    if (m_handedOver.isEmpty() || m_exited)
        return;
    // Hand-overs arrive inside the event loop of any open box: the game a box asks about
    // must outlive it, and a box opened from here would open inside it.
    if (QApplication::activeModalWidget() || controller().dialogOpen()) {
        m_handOverRetry.start();
        return;
    }
    const QStringList files = std::exchange(m_handedOver, {});
    std::string unreadable;
    auto refuse = [&unreadable](const std::string& why) {
        unreadable.append(unreadable.empty() ? "" : "\n").append(why);
    };
    bool gameOpened = false;
    for (const QString& file : files) {
        // A book becomes the program's own from its next lookup on, as on the command line.
        if (file.endsWith(QStringLiteral(".kbk"), Qt::CaseInsensitive)) {
            if (!QFileInfo(file).isReadable() || QFileInfo(file).isDir())
                refuse("cannot open " + toBytes(file));
            else if (!m_app.useBookFile(toBytes(file)))
                refuse("the book setting could not be written for " + toBytes(file));
            else
                showNotice(QStringLiteral("Opening book: %1").arg(QFileInfo(file).fileName()));
            continue;
        }
        if (gameOpened || !file.endsWith(QStringLiteral(".pgn"), Qt::CaseInsensitive))
            continue;
        // A file of one game becomes the current game; a file of several opens as the
        // database, its games listed to choose from (a picture shows the first game).
        bool moreGames = false;
        Result<std::unique_ptr<CPgnGame>> game = readFirstGame(toBytes(file), &moreGames);
        if (!game) {
            refuse(game.error().message);
            continue;
        }
        if (moreGames && !m_start.screenshot) {
            controller().databases().beginOpen(toBytes(file), true);
            QTimer::singleShot(0, this, [this] {
                if (!m_exited)
                    openDialog("database");
            });
        } else if (controller().prepareGameChange()) {
            controller().setGame(std::move(*game), toBytes(QFileInfo(file).fileName()));
            updateCommandStates();
        }
        gameOpened = true;
    }
    if (unreadable.empty())
        return;
    {
        GameController::ModalDialogScope open(controller());
        m_prompts.showMessage(kTitle, unreadable, MessageIcon::Exclamation);
    }
    // What was handed over while the box was open.
    openHandedOverFiles();
}

// --- Commands -----------------------------------------------------------------------------

void MainWindow::createActions()
{
    std::map<int, std::string_view> menuTexts;
    auto collect = [&](auto&& self, std::span<const MenuItem> items) -> void {
        for (const MenuItem& item : items) {
            if (item.kind == MenuItemKind::Command)
                menuTexts[item.command] = item.text;
            else if (item.kind == MenuItemKind::Submenu)
                self(self, item.children);
        }
    };
    for (const MenuButton& button : velmorak::menuBar())
        collect(collect, button.items);
    for (const CommandEntry& entry : commandTable()) {
        auto text = menuTexts.find(entry.id);
        auto* action =
            new QAction(toQString(text != menuTexts.end() ? text->second : entry.name), this);
        action->setCheckable(entry.checkable);
        const int id = entry.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_actions[id] = action;
    }
}

QAction* MainWindow::action(int command) const
{
    auto found = m_actions.find(command);
    return found == m_actions.end() ? nullptr : found->second;
}

QAction* MainWindow::barAction(int command) const
{
    auto found = m_barActions.find(command);
    return found == m_barActions.end() ? nullptr : found->second;
}

void MainWindow::createMenus()
{
    // An item's key is its action's own shortcut (createShortcuts), which the menu shows
    // beside it: a key written into the text would also be read out as part of its name.
    auto fill = [&](auto&& self, QMenu* menu, std::span<const MenuItem> items) -> void {
        for (const MenuItem& item : items) {
            switch (item.kind) {
            case MenuItemKind::Separator:
                menu->addSeparator();
                break;
            case MenuItemKind::Submenu:
                self(self, menu->addMenu(toQString(item.text)), item.children);
                break;
            case MenuItemKind::Command:
                if (QAction* a = action(item.command))
                    menu->addAction(a);
                break;
            }
        }
    };
    for (const MenuButton& button : velmorak::menuBar()) {
        // Alt and the caption's first character open each menu.
        QMenu* menu = QMainWindow::menuBar()->addMenu(QLatin1Char('&') + toQString(button.caption));
        fill(fill, menu, button.items);
    }
}

void MainWindow::createCommandBar()
{
    m_commandBar = addToolBar(QStringLiteral("Command bar"));
    m_commandBar->setObjectName(QStringLiteral("commandBar"));
    m_commandBar->setMovable(false);
    m_commandBar->setFloatable(false);
    m_commandBar->setIconSize(QSize(24, 24));
    for (const CommandBarButton& button : commandBarButtons()) {
        auto* a = new QAction(
            commandBarIcon(button.image), toQString(shownTooltip(button.tooltip)), this);
        a->setToolTip(toQString(shownTooltip(button.tooltip)));
        const CommandEntry* entry = findCommand(button.command);
        a->setCheckable(entry && entry->checkable);
        const int id = button.command;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        m_commandBar->addAction(a);
        m_barActions[id] = a;
    }
    // A narrow window would fold the last buttons (Toggle layout, Flip board) behind the
    // bar's overflow arrow; the whole bar sets the window's smallest width instead.
    m_commandBar->setMinimumWidth(m_commandBar->sizeHint().width());
}

void MainWindow::createShortcuts()
{
    for (const Accelerator& accelerator : accelerators()) {
        // Ctrl+O names no command: the key does nothing.
        if (!findCommand(accelerator.command))
            continue;
        const QKeySequence key = acceleratorKey(accelerator);
        if (accelerator.key == AcceleratorKey::Letter ||
            accelerator.key == AcceleratorKey::ShiftLetter) {
            // The command's own action: its menu item shows the key, and the key is as
            // available as the item. Added to the window, so that it also works for a
            // command without an item.
            QAction* own = action(accelerator.command);
            own->setShortcut(key);
            own->setShortcutContext(Qt::WindowShortcut);
            addAction(own);
            continue;
        }
        // The plain keys step through the game whatever the item says (the controller's
        // guards decide) and are the move field's while it is open.
        auto* a = new QAction(this);
        QList<QKeySequence> keys { key };
        if (accelerator.key == AcceleratorKey::Enter)
            keys << QKeySequence(Qt::Key_Enter);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        const int id = accelerator.command;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        addAction(a);
        m_plainKeyShortcuts.push_back(a);
    }
    auto* menuKey = new QAction(this);
    menuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WindowShortcut);
    connect(menuKey, &QAction::triggered, m_board, &BoardWidget::openContextMenuFromKeyboard);
    addAction(menuKey);
    // F10 opens the menu bar under every style; a lone Alt does too (eventFilter).
    auto* menuBarKey = new QAction(this);
    menuBarKey->setShortcut(QKeySequence(Qt::Key_F10));
    menuBarKey->setShortcutContext(Qt::WindowShortcut);
    connect(menuBarKey, &QAction::triggered, this, &MainWindow::openMenuBar);
    addAction(menuBarKey);
    // The desktop's help key opens the manual as "Help..." does.
    auto* help = new QAction(this);
    help->setShortcut(QKeySequence::HelpContents);
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, [this] { runCommand(cmd::kHelp); });
    addAction(help);
}

void MainWindow::openMenuBar()
{
    QMenuBar* bar = QMainWindow::menuBar();
    if (!bar->actions().isEmpty())
        bar->setActiveAction(bar->actions().first());
}

void MainWindow::runCommand(int id)
{
    m_dispatcher->runCommand(id);
}

bool MainWindow::serve(FrontEndRequest request)
{
    for (const auto& [served, dialog] : kRequestDialogs)
        if (served == request) {
            openDialog(dialog);
            return true;
        }
    for (const auto& [served, page] : kRequestSheetPages)
        if (served == request) {
            openServerSheet(page);
            return true;
        }
    for (const auto& [served, command] : kRequestInGame)
        if (served == request) {
            m_session->inGame(command);
            return true;
        }
    for (const auto& [served, make] : kRequestServerWindows)
        if (served == request) {
            make(*this, controller(), *m_session)->exec();
            return true;
        }
    switch (request) {
    case FrontEndRequest::Exit:
        close();
        return true;
    case FrontEndRequest::TurnDgtBoard:
        if (DgtBoardLink* link = dgtLink())
            link->turnBoard();
        return true;
    case FrontEndRequest::ShowGame: {
        GameController::ModalDialogScope open(controller());
        controller().game().setFormat(kFilePgnFormat);
        QMessageBox box(QMessageBox::NoIcon, toQString(kTitle), QStringLiteral("The game in PGN"),
            QMessageBox::Ok, this);
        box.setDetailedText(toQString(controller().game().toString()));
        box.exec();
        return true;
    }
    case FrontEndRequest::ShowStatus: {
        GameController::ModalDialogScope open(controller());
        const StatusLines lines = statusLines(panelInput());
        m_prompts.showMessage(kTitle, lines.first + "\n" + lines.second, MessageIcon::Information);
        return true;
    }
    case FrontEndRequest::ToggleLayout:
        toggleLayout();
        return true;
    case FrontEndRequest::Help:
        showHelp(kHelpMainAnchor);
        return true;
    case FrontEndRequest::ReplaceGame:
        openDialog("details");
        controller().databases().replaceSelected();
        return true;
    case FrontEndRequest::AnnounceStatus: {
        // Shown where it can be read again, then spoken.
        showNotice(toQString(statusAnnouncement(controller())));
        BoardAccessible::announceSecondLine(m_board);
        return true;
    }
    // The board is on the screen, and the window ends by its Exit command, not by a word
    // typed into its move field.
    case FrontEndRequest::ShowBoard:
    case FrontEndRequest::QuitInput:
        return false;
    default:
        break;
    }
    return false;
}

void MainWindow::updateCommandStates()
{
    m_view.refreshCommands();
}

void MainWindow::chooseLayoutFor(ScreenSize screen)
{
    m_screen = screen;
    if (!m_started || m_start.layout)
        return;
    // Each shape of window keeps the layout last used in it, so a window dragged to
    // landscape and back finds its toggled layout again; a shape not seen yet starts from
    // the layout stored at start-up.
    const auto key = std::make_pair(screen.width, screen.height);
    if (!m_storedLayout)
        m_storedLayout = m_app.options().boardSize;
    auto remembered = m_layoutForScreen.find(key);
    const int from = remembered != m_layoutForScreen.end() ? remembered->second : *m_storedLayout;
    // A toggled layout may come from a smaller screen, which selectLayout would pass over.
    if (isWindowLayout(from, shapeOfScreen(screen)))
        setLayout(from);
    else
        setLayout(selectLayout(from, 0, screen, from));
}

void MainWindow::setLayout(int index)
{
    // The board view ends an animation and a drag before the geometry changes under them.
    m_view.board().setLayout(index);
    if (m_screen)
        m_layoutForScreen[std::make_pair(m_screen->width, m_screen->height)] = index;
    m_app.options().boardSize = index;
    m_board->layoutChanged();
    // An open move field stays on the first status line (Ctrl+L toggles while typing).
    if (m_moveField && m_moveField->isVisible())
        placeMoveField();
    updateCommandStates();
}

void MainWindow::toggleLayout()
{
    if (m_view.board().isAnimating() || !m_screen)
        return;
    setLayout(nextWindowLayout(m_view.board().layoutIndex(), shapeOfScreen(*m_screen)));
}

AboutInfo MainWindow::aboutInfo()
{
    AboutInfo info;
    info.layout = m_view.board().layoutIndex();
    info.hashSizeKb = m_app.options().hashTableSize;
    info.engineName = m_app.hasEngine() ? m_app.host().engineName() : std::string();
    info.bookName = bookDisplayName(readBookSetting(*m_store, kBookFileSetting));
    info.connected = m_session->online();
    info.loginName = m_session->sessionHandle();
    info.connectionStalled = !m_session->linkAlive();
    return info;
}

int MainWindow::openDialog(std::string_view name)
{
    std::unique_ptr<ChessDialog> dialog = makeDialog(name, *this);
    if (!dialog)
        return QDialog::Rejected;
    // The session closes the sheet when a game begins, and shows the lists it reads there.
    if (auto* sheet = dynamic_cast<ServerSheetDialog*>(dialog.get()))
        m_serverSheet = sheet;
    const int result = dialog->exec();
    std::function<void()> afterClose = dialog->takeAfterClose();
    dialog.reset();
    if (afterClose)
        afterClose();
    return result;
}

bool MainWindow::copyText(std::string_view text)
{
    QGuiApplication::clipboard()->setText(toQString(text));
    return true;
}

std::optional<std::string> MainWindow::pastedText()
{
    return QGuiApplication::clipboard()->text().toStdString();
}

void MainWindow::showHelp(std::string_view anchor)
{
    if (Status opened = openManual(anchor); !opened)
        m_prompts.showMessage(kTitle, opened.error().message, MessageIcon::Exclamation);
}

void MainWindow::showContextMenu(QPoint globalPos, Point layoutPoint)
{
    if (!opensContextMenu(m_view.board().layoutIndex(), m_view.board().flipped(),
            m_board->clientRect(), layoutPoint))
        return;
    const ControllerState& s = controller().state();
    QMenu menu(this);
    const ContextMenu items =
        contextMenu(contextSituation(s.serverConnected, s.serverGameMode, s.observeMode));
    for (const MenuItem& item : items.items) {
        if (item.kind == MenuItemKind::Separator)
            menu.addSeparator();
        else if (QAction* a = action(item.command)) {
            // The same action as the menu bar's, so its state is the same too; the text is
            // the context menu's own.
            QAction* entry = menu.addAction(toQString(item.text));
            entry->setEnabled(a->isEnabled());
            entry->setCheckable(a->isCheckable());
            entry->setChecked(a->isChecked());
            connect(entry, &QAction::triggered, a, &QAction::trigger);
        }
    }
    menu.exec(globalPos);
}

// --- Timers and the panel ------------------------------------------------------------------

void MainWindow::onTimer(Clock::TimerId id)
{
    if (id == kServerInputTimer) {
        // A wait for an answer polls by itself; the window's timer would only cut in.
        if (m_session && m_session->connected() && !m_serverWaits.isWaiting())
            m_session->poll();
        return;
    }
    if (id != kClockTimer || !m_board)
        return;
    m_board->repaintClocks();
    if (!m_notice.isEmpty() && m_clock.ticks() >= m_noticeUntil) {
        m_notice.clear();
        m_board->repaintStatus();
    }
    const StatusInput in = panelInput();
    // Besides the engine's progress, any change of the lines is drawn on the next tick,
    // whoever changed them without saying so (a result recorded behind a message box).
    StatusLines lines = statusLines(in);
    const bool changed = lines != m_shownLines;
    if (m_statusRedraw.tick(in.info.displayedMoveNumber()).status || changed) {
        m_shownLines = std::move(lines);
        m_board->repaintStatus();
        updateAnalysisList();
    }
}

void MainWindow::showNotice(const QString& text)
{
    m_notice = text;
    m_noticeUntil = m_clock.ticks() + kNoticeMs;
    if (m_board)
        m_board->repaintStatus();
}

StatusInput MainWindow::panelInput()
{
    StatusInput in = statusInput(controller());
    const int index = m_view.board().layoutIndex();
    in.layout = index;
    in.hasAnalysisList = m_board->analysisList() && m_board->analysisList()->isVisible();
    in.lineWidth = std::size_t(m_board->panelLineCharacters());
    return in;
}

PanelContent MainWindow::panelContent()
{
    PanelContent content;
    GameController& c = controller();
    const StatusInput in = panelInput();
    const int index = in.layout;
    content.lines = statusLines(in);
    content.players = playersBelow(in, content.lines);
    // The field covers the first line; why a typed line was refused is read on the second.
    if (!m_typedError.isEmpty())
        content.lines.second = toBytes(m_typedError);
    else if (!m_notice.isEmpty())
        content.lines.second = toBytes(m_notice);
    else if (!m_serverStatus.isEmpty())
        content.lines.second = toBytes(m_serverStatus);
    content.clock = c.clockText(m_view.board().flipped(), index);
    content.clocks = clockFaces(c, m_view.board().flipped(), index);
    content.connected = in.serverConnected;
    content.replayRunning = c.state().autoReplay;
    if (isLandscapeLayout(index)) {
        content.white = in.tags.white;
        content.black = in.tags.black;
        content.moveList.emplace(c.game().root(), c.currentNode(), m_board->moveListRows());
    }
    return content;
}

void MainWindow::updateAnalysisList()
{
    QListWidget* list = m_board->analysisList();
    if (!list)
        return;
    if (m_analysis.addAnalysisLine(statusInput(controller()), m_clock.ticks())) {
        list->clear();
        for (const std::string& entry : m_analysis.entries())
            list->addItem(toQString(entry));
    }
}

// --- WindowChrome ------------------------------------------------------------------------

void MainWindow::setTitle(std::string_view title)
{
    setWindowTitle(toQString(title));
}

void MainWindow::showCommandState(int command, bool enabled, bool checked)
{
    for (QAction* a : { action(command), barAction(command) }) {
        if (!a)
            continue;
        a->setEnabled(enabled);
        if (a->isCheckable())
            a->setChecked(checked);
    }
}

void MainWindow::layoutButtonsChanged()
{
    m_board->repaintLayoutButtons();
}

void MainWindow::statusChanged()
{
    m_board->repaintStatus();
    updateAnalysisList();
}

void MainWindow::positionChanged(std::string_view description)
{
    // A move typed half-way belongs to the position that is gone; the field itself stays, so
    // that a Return meant for it never reaches the window's keys.
    if (m_moveField && m_moveField->isVisible()) {
        m_moveField->clear();
        showTypedError({});
    }
    m_board->setAccessibleDescription(toQString(description));
    m_board->repaintStatus();
}

// --- The chess server ----------------------------------------------------------------------

int MainWindow::openServerSheet(int page)
{
    // The sheet holds the game still: an engine thinking or analysing meanwhile would play
    // into a game that is about to be replaced.
    if (controller().isEngineBusy())
        controller().stopEngine(false);
    m_serverSheetPage = page;
    return openDialog("server-sheet");
}

void MainWindow::refreshServerWindow()
{
    refreshServerDialog(QApplication::activeModalWidget());
}

void MainWindow::lineReceived(std::string_view)
{
    refreshServerWindow();
}

void MainWindow::lineSent(std::string_view)
{
    refreshServerWindow();
}

void MainWindow::chatArrived(std::string_view)
{
    refreshServerWindow();
}

void MainWindow::personalMessage(std::string_view from, std::string_view line)
{
    if (!isActiveWindow() && !m_start.screenshot)
        m_notifier.notify(toQString(std::string(from)), toQString(std::string(line)));
}

void MainWindow::whoListRead()
{
    refreshServerWindow();
}

void MainWindow::variablesRead()
{
    refreshServerWindow();
}

void MainWindow::fingerRead()
{
    refreshServerWindow();
}

void MainWindow::stateChanged()
{
    // The session may report while it is being made, before the window holds it.
    if (!m_session)
        return;
    controller().setServerConnected(m_session->online());
    m_view.setServerLogin(m_session->sessionHandle(), !m_session->linkAlive());
    if (m_session->linkAlive())
        m_reconnectAsked = false;
    m_board->repaintStatus();
}

void MainWindow::connectionLost()
{
    if (!m_session)
        return;
    stateChanged();
    // Asked once the session's call is over: a reconnect from inside it would start a
    // session call within another.
    if (std::exchange(m_reconnectAsked, true))
        return;
    QTimer::singleShot(0, this, &MainWindow::askReconnect);
}

void MainWindow::askReconnect()
{
    if (m_exited || m_session->linkAlive())
        return;
    bool again = false;
    {
        GameController::ModalDialogScope open(controller());
        again =
            m_prompts.askYesNo(kTitle, "The connection to the chess server was lost. Reconnect?",
                MessageIcon::Exclamation, true);
    }
    if (again)
        m_session->reconnect();
    m_reconnectAsked = false;
    updateCommandStates();
}

void MainWindow::listRead(ServerList list)
{
    if (m_serverSheet)
        m_serverSheet->showList(list);
}

void MainWindow::gameStarted(int, bool)
{
    updateCommandStates();
}

void MainWindow::gameEnded(int, const ServerGameResult&)
{
    updateCommandStates();
}

void MainWindow::setStatusLine(std::string_view text)
{
    m_serverStatus = toQString(text);
    m_board->repaintStatus();
}

void MainWindow::setBoardFlipped(bool blackAtBottom)
{
    m_view.setBoardFlipped(blackAtBottom);
}

void MainWindow::closeServerSheet()
{
    if (m_serverSheet)
        m_serverSheet->accept();
}

void MainWindow::observationEnded()
{
    updateCommandStates();
}

bool MainWindow::askChallenge(const ServerChallenge& challenge)
{
    if (!isActiveWindow() && !m_start.screenshot)
        m_notifier.notify(
            QStringLiteral("Challenge"), toQString(challenge.players() + "\n" + challenge.terms()));
    AcceptMatchDialog dialog(this, controller(), challenge);
    return dialog.exec() == QDialog::Accepted;
}

// --- Promotion ----------------------------------------------------------------------------

PieceCode MainWindow::askPromotion(bool white)
{
    const PieceCode queen = white ? kWhiteQueen : kBlackQueen;
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Promotion"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Select piece to promote"), &dialog));
    auto* row = new QHBoxLayout;
    PieceCode chosen = queen;
    const int px =
        std::max(32, m_board->transform().deviceLength(m_view.board().layout()[kSquareWidth]));
    const double dpr = devicePixelRatioF();
    static constexpr struct {
        PieceCode white;
        const char* name;
    } kChoices[] = { { kWhiteQueen, "Queen" }, { kWhiteRook, "Rook" }, { kWhiteBishop, "Bishop" },
        { kWhiteKnight, "Knight" } };
    for (const auto& choice : kChoices) {
        const PieceCode piece = PieceCode(choice.white | (white ? 0 : kBlack));
        auto* button = new QToolButton(&dialog);
        QPixmap picture = m_board->artwork().piece(piece, px);
        picture.setDevicePixelRatio(dpr);
        button->setIcon(QIcon(picture));
        button->setIconSize(QSize(int(px / dpr), int(px / dpr)));
        button->setAccessibleName(QString::fromLatin1(choice.name));
        button->setToolTip(QString::fromLatin1(choice.name));
        connect(button, &QToolButton::clicked, &dialog, [&chosen, &dialog, piece] {
            chosen = piece;
            dialog.accept();
        });
        row->addWidget(button);
    }
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.adjustSize();
    // Its place over the board, kept on the screen.
    QPoint at =
        m_board->mapToGlobal(m_board->transform()
                                 .toWidget(Rect { kPromotionDialogAt.x, kPromotionDialogAt.y,
                                     kPromotionDialogAt.x, kPromotionDialogAt.y })
                                 .topLeft());
    if (QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(
            std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - dialog.width())));
        at.setY(
            std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - dialog.height())));
    }
    dialog.move(at);
    // OK and Cancel both answer the queen.
    dialog.exec();
    return chosen;
}

// --- Keys and the move field --------------------------------------------------------------

void MainWindow::createMoveField()
{
    m_moveField = new QLineEdit(m_board);
    m_moveField->setAccessibleName(QStringLiteral("Move"));
    m_moveField->setPlaceholderText(QStringLiteral("Move (e4, Nf3, e2e4) or command"));
    m_moveField->hide();
    connect(m_moveField, &QLineEdit::returnPressed, this, [this] { enterTypedLine(); });
    connect(m_moveField, &QLineEdit::textEdited, this, [this] { showTypedError({}); });
}

void MainWindow::createFocusChain()
{
    // Tab goes from the command bar's buttons, left to right, to the board and from there
    // into the move field (eventFilter); the bar's buttons take no focus by default.
    QWidget* previous = nullptr;
    for (QAction* a : m_commandBar->actions()) {
        QWidget* button = m_commandBar->widgetForAction(a);
        if (!button)
            continue;
        button->setFocusPolicy(Qt::TabFocus);
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
    if (previous)
        setTabOrder(previous, m_board);
    setTabOrder(m_board, m_moveField);
    // The button that shows the buttons a narrow window has no room for.
    if (auto* more = m_commandBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More commands"));
}

void MainWindow::focusCommandBar()
{
    // Buttons of commands not available now take no focus.
    for (QAction* a : m_commandBar->actions())
        if (QWidget* button = m_commandBar->widgetForAction(a); button && button->isEnabled()) {
            button->setFocus(Qt::TabFocusReason);
            return;
        }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Installed on the application: every widget's events pass here first.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_loneAlt = false;
        // A click on the board is input by the pointer: the field gives way to it.
        if (watched == m_board)
            closeMoveField();
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        // Alt while the menu bar is open leaves it to the menu bar.
        m_loneAlt = key->key() == Qt::Key_Alt && widget && widget->window() == this &&
            !menuBar()->activeAction();
        const bool plain = key->modifiers() == Qt::NoModifier;
        if (watched == m_board && key->key() == Qt::Key_Tab && plain) {
            openMoveField({});
            return true;
        }
        if (watched == m_moveField &&
            (key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && plain))) {
            // The field lives only while a move is typed; Tab leaves it as Escape does.
            closeMoveField();
            if (key->key() == Qt::Key_Tab)
                focusCommandBar();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt && !key->isAutoRepeat() && std::exchange(m_loneAlt, false) &&
            !QApplication::activePopupWidget())
            // After the menu bar's own handling of Alt (styles that have one only mark the
            // bar, and not under every platform): the first menu opens, as with F10.
            QTimer::singleShot(0, this, [this] {
                if (!QApplication::activePopupWidget())
                    openMenuBar();
            });
        break;
    }
    case QEvent::WindowDeactivate:
        m_loneAlt = false;
        break;
    case QEvent::Resize:
        // The board scales its layout in its own resize handling, which comes after this.
        if (watched == m_board && m_moveField && m_moveField->isVisible())
            QTimer::singleShot(0, this, &MainWindow::placeMoveField);
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showTypedError(const QString& message)
{
    if (message == m_typedError)
        return;
    m_typedError = message;
    m_moveField->setStyleSheet(message.isEmpty() ? QString() : QStringLiteral("color: #b00000"));
    m_moveField->setAccessibleDescription(message);
    m_board->repaintStatus();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool plain =
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && text.size() == 1 && text.at(0).isLetterOrNumber()) {
        openMoveField(text);
        return;
    }
    if (event->key() == Qt::Key_Escape && m_moveField && m_moveField->isVisible()) {
        closeMoveField();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::placeMoveField()
{
    const QRect status = m_board->transform().toWidget(
        panelRects(m_view.board().layoutIndex(), m_board->clientRect()).status);
    m_moveField->setGeometry(status.left() + 2, status.top() + 2, std::max(160, status.width() / 2),
        m_moveField->sizeHint().height());
}

void MainWindow::openMoveField(const QString& text)
{
    placeMoveField();
    showTypedError({});
    m_moveField->setText(text);
    m_moveField->show();
    m_moveField->raise();
    m_moveField->setFocus();
    // Arrows and Return belong to the field while it is open.
    for (QAction* a : m_plainKeyShortcuts)
        a->setEnabled(false);
}

void MainWindow::closeMoveField()
{
    if (!m_moveField || !m_moveField->isVisible())
        return;
    m_moveField->hide();
    m_moveField->clear();
    showTypedError({});
    for (QAction* a : m_plainKeyShortcuts)
        a->setEnabled(true);
    m_board->setFocus();
}

void MainWindow::enterTypedLine()
{
    if (m_moveField->text().trimmed().isEmpty())
        return;
    Board board = controller().board();
    Result<TypedLine> typed = readTypedLine(board, toBytes(m_moveField->text()));
    if (!typed) {
        // The text stays for correction.
        showTypedError(toQString(typed.error().message));
        return;
    }
    if (typed->command == TypedCommand::Move) {
        // The field stays open for the next move: Return is the field's, never "Move now!".
        m_moveField->clear();
        showTypedError({});
        m_input->cancel();
    } else {
        closeMoveField();
    }
    m_dispatcher->runTyped(*typed);
}

// --- Exit ---------------------------------------------------------------------------------

bool MainWindow::restoreWindowGeometry()
{
    std::optional<RegistryValue> stored = m_store->readValue(kGeometrySetting);
    if (!stored || stored->type != RegistryType::Binary)
        return false;
    return restoreGeometry(QByteArray(
        reinterpret_cast<const char*>(stored->data.data()), qsizetype(stored->data.size())));
}

void MainWindow::closeOnSignal()
{
    m_closingOnSignal = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_exited && m_serverWaits.isWaiting()) {
        // The session is waiting for the server further up: the window closes once it is
        // back.
        event->ignore();
        QTimer::singleShot(ServerClient::kPollIntervalMs, this, &QWidget::close);
        return;
    }
    if (!m_exited && m_session->connected() && !m_session->logOut(!m_closingOnSignal)) {
        event->ignore();
        return;
    }
    if (!m_exited) {
        m_exited = true;
        closeMoveField();
        m_input->cancel();
        if (!m_start.screenshot) {
            const QByteArray geometry = saveGeometry();
            m_store->writeValue(kGeometrySetting,
                RegistryValue::binary(geometry.constData(), std::size_t(geometry.size())));
        }
        // The lists' orders are the session's until it ends, which is after the options
        // are written.
        m_session->lists().storeSettings(m_app.options());
        m_dgt->disconnect();
        // Autosave, the engine ended, the level and the options written.
        if (Status ended = m_app.exit(); !ended)
            m_prompts.showMessage(kTitle, ended.error().message, MessageIcon::Exclamation);
    }
    event->accept();
}

} // namespace velmorak::gui
