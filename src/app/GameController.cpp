#include "app/GameController.h"

#include <algorithm>
#include <vector>

#include "app/GameEndTexts.h"
#include "app/SearchLevel.h"
#include "base/ProgramDirectory.h"
#include "engine/BookSettings.h"
#include "engine/HashSize.h"
#include "record/GameTreeEditing.h"
#include "rules/CoordinateNotation.h"
#include "rules/SanNotation.h"

namespace velmorak {

namespace {

constexpr std::string_view kFinishGameFirst = "Please finish the currently running game first!";
constexpr std::string_view kGoWhileObserving = "Go! not possible while observing a game";
constexpr std::string_view kGoWhilePlaying = "Go! not possible while playing on server";
constexpr std::string_view kNoNextMove =
    "Next move not possible while observing or playing on server.";
constexpr std::string_view kNoTakeback = "Takeback not possible while observing.";
constexpr std::string_view kLevelOnServer =
    "Changing the level while on server might corrupt the clock.";
constexpr std::string_view kNoAnalysisOnServer = "No analysis allowed while playing on server.";
constexpr std::string_view kFinishServerGame = "Please finish running server-game first";
constexpr std::string_view kNoEngine = "No engine loaded. Can\xC2\xB4t start search";
constexpr std::string_view kEngineInServerGame =
    "WARNING: engine running and not analysing in servergamemmode";

bool isBlackMover(const Board& before)
{
    return before.sideToMove() == kBlackSide;
}

// The moves from the root to `node`, in game order.
std::vector<const CGameNode*> pathFromRoot(const CGameNode* node)
{
    std::vector<const CGameNode*> path;
    for (; node && node->parent(); node = node->parent())
        path.push_back(node);
    std::reverse(path.begin(), path.end());
    return path;
}

bool containsText(const std::string& haystack, std::string_view needle)
{
    return haystack.find(needle) != std::string::npos;
}

// Open boxes are counted for as long as the box is shown.
class ModalScope {
public:
    explicit ModalScope(ControllerState& state)
        : m_state(state)
    {
        ++m_state.modalMessageOpen;
    }
    ~ModalScope() { --m_state.modalMessageOpen; }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    ControllerState& m_state;
};

} // namespace

// The tree rules ask through this, so that their questions count as open boxes too.
class GameController::CountedPrompts : public LinePrompts {
public:
    explicit CountedPrompts(GameController& controller)
        : m_controller(controller)
    {
    }
    NewLineChoice askNewLine(const CGameNode& at, std::string_view label) override
    {
        ModalScope scope(m_controller.m_state);
        return m_controller.m_prompts.askNewLine(at, label);
    }
    bool askOkCancel(std::string_view title, std::string_view text) override
    {
        return m_controller.askOkCancel(title, text);
    }

private:
    GameController& m_controller;
};

GameController::GameController(ControllerServices services)
    : m_prompts(services.prompts)
    , m_view(services.view)
    , m_ui(services.ui)
    , m_clock(services.clock)
    , m_store(services.store)
    , m_settings(services.settings)
    , m_options(services.options)
    , m_sounds(services.sounds)
    , m_tagSources(services.tagSources)
    , m_availableMemoryKb(std::move(services.availableMemoryKb))
    , m_linePrompts(std::make_unique<CountedPrompts>(*this))
    , m_autosave(services.documentsFolder, services.autosaveStore)
    , m_engine(services.clock,
          [this](SearchEnded ended) {
              // Runs on the engine thread: only hand the result on.
              std::weak_ptr<GameController*> alive = m_alive;
              m_ui.post([alive, ended = std::move(ended)] {
                  if (auto controller = alive.lock())
                      (*controller)->searchEnded(ended);
              });
          })
    , m_documentsFolder(services.documentsFolder)
    , m_programFolder(services.programFolder.empty() ? programDirectory() : services.programFolder)
    , m_alive(std::make_shared<GameController*>(this))
{
    setEmptyGame();
    // Told on the interface thread, once until a save works again: the user plays on, but
    // must know that a crash would now cost the game.
    m_autosave.setFailureHook([alive = std::weak_ptr<GameController*>(m_alive), ui = &m_ui] {
        ui->post([alive] {
            if (auto controller = alive.lock())
                (*controller)->tellAutosaveFailure();
        });
    });
}

GameController::~GameController()
{
    if (m_host)
        m_host->setBeforeUnload({});
    m_clock.killTimer(kEngineResultTimer);
    m_clock.killTimer(kReplayTimer);
    m_engine.endThread();
    m_alive.reset();
}

// --- Messages ------------------------------------------------------------------------------------

void GameController::message(std::string_view text, MessageIcon icon, std::string_view title)
{
    ModalScope scope(m_state);
    m_prompts.showMessage(title, text, icon);
}

bool GameController::askYesNo(
    std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes)
{
    ModalScope scope(m_state);
    return m_prompts.askYesNo(title, text, icon, defaultYes);
}

bool GameController::askOkCancel(std::string_view title, std::string_view text)
{
    ModalScope scope(m_state);
    return m_prompts.askOkCancel(title, text);
}

// --- Guards --------------------------------------------------------------------------------------

bool GameController::guardNewGame()
{
    if (m_state.serverGameMode) {
        message(kFinishGameFirst);
        return false;
    }
    return true;
}

bool GameController::guardMoveNow()
{
    if (m_state.observeMode) {
        message(kGoWhileObserving);
        return false;
    }
    if (m_state.serverGameMode) {
        message(kGoWhilePlaying);
        return false;
    }
    return true;
}

bool GameController::guardForward()
{
    if (m_state.serverGameMode || m_state.observeMode) {
        message(kNoNextMove);
        return false;
    }
    return true;
}

bool GameController::guardTakeBack(bool messageForServerGame)
{
    if (m_state.observeMode || (messageForServerGame && m_state.serverGameMode)) {
        message(kNoTakeback);
        return false;
    }
    return !m_state.serverGameMode;
}

bool GameController::guardAnalysis()
{
    if (isEngineSearchingForMove())
        return false;
    if (m_state.serverGameMode) {
        message(kNoAnalysisOnServer);
        return false;
    }
    return true;
}

bool GameController::guardReplay()
{
    if (m_state.serverGameMode || m_state.observeMode) {
        message(kFinishServerGame);
        return false;
    }
    return true;
}

bool GameController::boardInputAllowed()
{
    if (!m_state.serverGameMode)
        return !isEngineSearchingForMove();
    if (m_engine.isBusy() && !m_state.analysisMode && m_server)
        m_server->log(kEngineInServerGame);
    return true;
}

bool GameController::isEngineSearchingForMove() const
{
    return m_engine.isBusy() && !m_engine.isPondering() && !m_state.analysisMode &&
        !m_state.hintSearchActive;
}

bool GameController::isEngineMoveDue() const
{
    return m_pendingResult.has_value() ||
        (m_searchId != 0 && m_searchKind == SearchKind::Move && m_state.playEngineResult &&
            !m_state.analysisMode);
}

// --- Start and exit ------------------------------------------------------------------------------

void GameController::setEngineHost(EnginePluginHost* host)
{
    endEngineThread();
    if (m_host)
        m_host->setBeforeUnload({});
    m_host = host;
    if (m_host)
        m_host->setBeforeUnload([this] { endEngineThread(); });
}

bool GameController::engineLoaded() const
{
    return m_host && m_host->isLoaded();
}

void GameController::noEngineMessage()
{
    message(kNoEngine, MessageIcon::Stop);
}

bool GameController::startEngineThread()
{
    if (!engineLoaded())
        return false;
    std::int64_t chosen = m_options.hashTableSize;
    std::int64_t size = chosen;
    if (m_availableMemoryKb)
        if (std::optional<std::int64_t> available = m_availableMemoryKb())
            size = engineHashSizeKb(chosen, *available / 2);
    // A lowered size stays lowered: it is what later starts compare with.
    if (size < chosen)
        m_options.hashTableSize = int(size);
    Status started =
        m_engine.startThread(m_host->functions(), m_host->callbacks(), m_host->output(), int(size));
    if (!started) {
        message(started.error().message, MessageIcon::Stop);
        return false;
    }
    return true;
}

void GameController::endEngineThread()
{
    // The engine thread never waits for the interface, so ending it cannot deadlock; an
    // animation is ended anyway so that nothing stays half drawn.
    m_view.endAnimation();
    stopEngine(false);
    m_engine.endThread();
}

void GameController::exit()
{
    if (m_state.observeMode)
        SetObserveMode(false, -1);
    stopReplayAndAnalysis();
    setAnalysisMode(false);
    endEngineThread();
    if (m_state.trainingMode)
        setTraining(false);
    autosaveGame();
    m_autosave.flush();
    // A failure whose report is still on its way is told before the program goes.
    tellAutosaveFailure();
}

// --- Moves ---------------------------------------------------------------------------------------

bool GameController::userMove(Move move, bool dragged)
{
    if (!boardInputAllowed())
        return false;
    if (m_state.trainingMode)
        return trainingMove(move, dragged);
    if (m_state.observeMode)
        SetObserveMode(false, -1);
    if (m_state.moveStartTick == 0)
        m_state.moveStartTick = now();
    std::int64_t thinking = std::max<std::int64_t>(0, now() - m_state.moveStartTick);
    if (!makeMove(move, thinking, !dragged, false)) {
        m_view.redrawBoard();
        return false;
    }
    if (m_state.serverGameMode && m_server)
        m_server->sendMove(*m_state.currentNode);
    GameEndCode end = checkGameEnd();
    bool engineAnswers = m_options.autoAnswer && !m_state.serverGameMode && !m_state.observeMode &&
        end != GameEndCode::Checkmate && end != GameEndCode::Stalemate;
    if (!engineAnswers) {
        if (m_state.analysisMode)
            restartAnalysis();
        else
            stopEngine(false);
        return true;
    }
    bool predicted = m_state.ponderMove != NoMove && move == m_state.ponderMove;
    if (predicted)
        m_state.coachLastScore = kNoCoachScore;
    if (predicted && m_engine.ponderHit()) {
        // The ponder search goes on as the real one; its time counts from now.
        m_state.ponderMove = NoMove;
        m_searchKind = SearchKind::Move;
    } else if (predicted && m_ponderResult) {
        // Its thinking happened in the user's time: the engine is charged nothing.
        SearchInfo info = m_ponderResult->info;
        if (playEngineMove(info, 0))
            checkGameEnd();
    } else if (predicted && m_searchId != 0 && m_searchKind == SearchKind::Ponder) {
        // Ended by itself a moment ago: its result is on its way to this thread.
        m_playPonderResultOnArrival = true;
    } else {
        startSearch();
    }
    return true;
}

bool GameController::makeMove(Move move, std::int64_t timeMs, bool animate, bool byEngine)
{
    Board& board = m_state.board;
    if (!board.isMoveLegal(move))
        return false;
    std::string san = writeSan(board, move);
    int childrenBefore = m_state.currentNode->childCount();
    EnteredMove entered = enterMove(*m_state.game, m_state.currentNode, move, san,
        std::max<std::int64_t>(0, timeMs), VariationMode(m_options.variationMode), *m_linePrompts);
    if (entered.cancelled)
        return false;
    // A new node in place of an old one: the main line was replaced and its nodes deleted,
    // the coach's memory among them perhaps.
    if (entered.created && childrenBefore > 0 &&
        m_state.currentNode->childCount() == childrenBefore)
        forgetCoach();
    m_state.lastMove = move;
    m_state.currentNode = entered.node;
    // The autosave sees the position before the move: the mover gets the owner's name.
    if (entered.created)
        autosave(true);
    m_view.setCommandEnabled(ControllerCommand::TakeBack, true);
    m_view.setCommandEnabled(ControllerCommand::NextMove, m_state.currentNode->childCount() > 0);

    Board before = board;
    addTime(isBlackMover(before), std::max<std::int64_t>(0, timeMs));
    board.makeMove(move);
    ++m_state.plyNumber;

    if (byEngine || AnnounceMode(m_options.announceMode) == AnnounceMode::All)
        m_state.moveStartTick = 0;
    m_sounds.announceMadeMove(
        byEngine ? MoveSource::Engine : MoveSource::User, move, before, san, m_state.dgtConnected);
    if (byEngine || m_state.serverGameMode || m_state.observeMode)
        m_state.moveStartTick = now();

    m_view.moveEntered(*m_state.currentNode);
    m_view.drawMove(move, animate, m_options.sound, byEngine);
    m_view.positionChanged(board);
    m_state.showLevelLine = false;
    if (m_state.analysisMode && m_engine.isBusy())
        stopEngine(false);
    if (!m_options.autoAnswer || m_state.serverGameMode || m_state.observeMode) {
        m_state.moveStartTick = now();
        m_view.invalidateStatus();
        m_view.invalidateMoveList();
    }
    return true;
}

GameEndCode GameController::checkGameEnd()
{
    GameEndCode code = m_state.board.gameEnd();
    if (code == GameEndCode::None)
        return code;
    GameEndTexts texts = gameEndTexts(code, m_state.board.sideToMove() == kWhiteSide);
    if (!m_state.serverConnected && !m_state.dgtConnected)
        message(texts.message);
    CGameNode* node = m_state.currentNode;
    bool noted = false;
    for (const CGameNode* n = node; n && !noted; n = n->parent())
        noted = containsText(n->comment(), texts.comment);
    if (!texts.comment.empty() && !noted) {
        std::string comment = node->comment();
        if (!comment.empty())
            comment += ' ';
        comment += texts.comment;
        node->setComment(std::move(comment));
        m_state.game->setChanged(true);
    }
    if (!texts.result.empty() && node == m_state.game->root()->endOfMainLine())
        m_state.game->setResult(texts.result);
    return code;
}

void GameController::moveNow()
{
    m_state.coachLastScore = kNoCoachScore;
    if (m_state.trainingMode) {
        if (!askYesNo("Training", "Do you really want to stop the training?", MessageIcon::Question,
                true))
            return;
        setTraining(false);
        m_state.moveStartTick = 0;
    }
    if (m_state.autoReplay && !m_state.replayEngineFinish)
        stopReplayAndAnalysis();
    // A move during an animation would be drawn under it; the command is dropped.
    if (m_view.isAnimating())
        return;
    if (!guardMoveNow())
        return;
    if (m_engine.isPondering()) {
        stopEngine(false);
        startSearch();
    } else if (m_state.analysisMode) {
        std::int64_t thinking = std::max<std::int64_t>(0, now() - m_engine.searchStartTick.load());
        stopEngine(false);
        SearchInfo info = m_host ? m_host->output().snapshot() : SearchInfo {};
        // The engine finishing a replayed game plays here: its move may end the game.
        if (playEngineMove(info, thinking))
            checkGameEnd();
        restartAnalysis();
    } else if (m_engine.isBusy()) {
        // The engine's best move so far arrives as the search's result.
        if (!m_state.hintSearchActive)
            stopEngine(true);
    } else {
        m_state.showLevelLine = false;
        startSearch();
    }
}

// --- The engine ----------------------------------------------------------------------------------

void GameController::clearEngineOutput()
{
    if (m_host)
        m_host->output().clear();
    m_view.invalidateStatus();
}

void GameController::forgetPonder()
{
    m_state.ponderResultReady = false;
    m_ponderResult.reset();
    m_playPonderResultOnArrival = false;
}

void GameController::stopEngine(bool playResult)
{
    if (!playResult) {
        // Give the search up first: whatever it reports now is never played.
        m_state.playEngineResult = false;
        m_searchId = 0;
        m_pendingResult.reset();
        m_clock.killTimer(kEngineResultTimer);
    }
    m_engine.stop(!playResult);
}

void GameController::restartAnalysis()
{
    stopEngine(false);
    startSearch();
}

std::string GameController::startFen() const
{
    const std::string& fen = m_state.game->getTag("FEN");
    return fen.empty() ? std::string(kStartFen) : fen;
}

void GameController::prepareEngine()
{
    clearEngineOutput();
    const EnginePluginFunctions& f = m_engine.functions();
    EngineOutput& output = m_host->output();
    std::string fen = startFen();
    f.setPosition(fen.c_str());
    output.setShadowPosition(fen);
    for (const CGameNode* node : pathFromRoot(m_state.currentNode)) {
        std::string coordinates = writeCoordinates(node->move());
        f.enterMove(coordinates.c_str());
        output.enterShadowMove(coordinates);
    }
    if (m_state.analysisMode) {
        f.setBook("", 0);
    } else {
        std::string book = bookPath(m_store, kEngineBookFileSetting);
        f.setBook(book.c_str(), m_options.bookMode);
    }
}

void GameController::sendLevel(int moveNumber, std::int64_t usedMs, std::int64_t dgtSeconds)
{
    SearchLevelInputs inputs;
    inputs.analysis = m_state.analysisMode;
    inputs.moveNumber = moveNumber;
    inputs.usedSeconds = usedMs / 1000;
    inputs.dgtSeconds = dgtSeconds;
    LevelCommands level = searchLevel(m_level, inputs);
    const EnginePluginFunctions& f = m_engine.functions();
    if (level.sendTimeControl)
        f.setTimeControl(level.timeControlMoves, level.timeControlSeconds);
    f.setLevel(level.movesToGo, level.secondsLeft, level.increment, level.maxDepth);
}

void GameController::restartEngineForHashSize()
{
    if (m_engine.isRunning() && m_options.hashTableSize == m_engine.hashSizeInUse())
        return;
    endEngineThread();
    startEngineThread();
}

void GameController::startSearch()
{
    if (!engineLoaded()) {
        noEngineMessage();
        return;
    }
    if (m_engine.isBusy()) {
        if (!m_engine.isPondering())
            return;
        stopEngine(false);
    }
    // Whatever was pondered, finished or not, belongs to another position now.
    forgetPonder();
    m_state.ponderMove = NoMove;
    // A new hash size takes effect here, on this thread, never from inside a search.
    restartEngineForHashSize();
    if (!m_engine.isRunning())
        return;
    prepareEngine();
    bool white = m_state.board.sideToMove() == kWhiteSide;
    ClockParts parts = clocks();
    sendLevel((m_state.plyNumber + 1) / 2, white ? m_state.whiteTimeUsed : m_state.blackTimeUsed,
        white ? parts.whiteDgtSeconds : parts.blackDgtSeconds);

    SearchCommand command;
    command.kind = m_state.analysisMode ? SearchKind::Analysis : SearchKind::Move;
    command.askBook =
        m_options.guiBook && !m_state.analysisMode && m_state.bookMissCount < kMaxBookMisses;
    if (command.askBook) {
        command.bookPath = bookPath(m_store, kBookFileSetting);
        command.bookMode = BookMode(m_options.bookMode);
        command.bookPosition = m_state.board;
    }
    m_state.playEngineResult = true;
    m_searchKind = command.kind;
    m_searchId = m_engine.start(command);
    m_view.invalidateStatus();
}

void GameController::startPonder(Move predicted)
{
    if (!m_options.pondering || m_state.analysisMode || !m_options.autoAnswer)
        return;
    if (!engineLoaded()) {
        noEngineMessage();
        return;
    }
    if (m_engine.isBusy())
        stopEngine(false);
    forgetPonder();
    if (!m_engine.isRunning())
        return;
    prepareEngine();
    std::string coordinates = writeCoordinates(predicted);
    m_engine.functions().enterMove(coordinates.c_str());
    m_host->output().enterShadowMove(coordinates);
    // The level of the engine's own next move: its colour, its move number.
    bool engineWhite = m_state.board.sideToMove() != kWhiteSide;
    ClockParts parts = clocks();
    sendLevel((m_state.plyNumber + 2) / 2,
        engineWhite ? m_state.whiteTimeUsed : m_state.blackTimeUsed,
        engineWhite ? parts.whiteDgtSeconds : parts.blackDgtSeconds);
    m_state.ponderMove = predicted;
    SearchCommand command;
    command.kind = SearchKind::Ponder;
    m_state.playEngineResult = true;
    m_searchKind = SearchKind::Ponder;
    m_searchId = m_engine.start(command);
}

void GameController::ponderHit()
{
    if (m_engine.ponderHit()) {
        m_state.ponderMove = NoMove;
        m_searchKind = SearchKind::Move;
    }
}

void GameController::searchEnded(const SearchEnded& ended)
{
    if (ended.id == 0 || ended.id != m_searchId)
        return;
    if (ended.bookAsked && !ended.neverStarted)
        m_state.bookMissCount = ended.bookHit ? 0 : m_state.bookMissCount + 1;
    if (ended.ponderEndedByItself) {
        m_state.ponderResultReady = true;
        m_ponderResult = ended;
        if (m_playPonderResultOnArrival) {
            m_playPonderResultOnArrival = false;
            SearchInfo info = ended.info;
            if (playEngineMove(info, 0))
                checkGameEnd();
        }
        return;
    }
    m_searchId = 0;
    bool wanted = !ended.neverStarted && ended.kind == SearchKind::Move && !m_state.analysisMode &&
        !m_state.hintSearchActive && m_state.playEngineResult;
    if (!wanted) {
        m_state.playEngineResult = true;
        return;
    }
    m_pendingResult = ended;
    // The time counts from the search's start, or from the ponder hit that made it real.
    m_pendingThinkingMs =
        std::max<std::int64_t>(0, ended.endTick - m_engine.searchStartTick.load());
    playPendingResult();
}

void GameController::playPendingResult()
{
    if (!m_pendingResult)
        return;
    // Not under an animation or an open box: look again shortly.
    if (m_view.isAnimating() || m_state.modalMessageOpen > 0) {
        armTimer(kEngineResultTimer, kEngineResultRetryMs, false);
        return;
    }
    SearchEnded ended = std::move(*m_pendingResult);
    m_pendingResult.reset();
    m_state.playEngineResult = true;
    if (m_state.analysisMode || m_state.hintSearchActive)
        return;
    // The coach may offer to take the user's move back instead.
    if (coachTakesBack(ended))
        return;
    if (playEngineMove(ended.info, m_pendingThinkingMs)) {
        updateCoachMemory(ended);
        checkGameEnd();
    }
}

bool GameController::playEngineMove(const SearchInfo& info, std::int64_t thinkingMs)
{
    m_state.ponderResultReady = false;
    m_ponderResult.reset();
    Board position = m_state.board;
    std::size_t cursor = 0;
    Move move = readCoordinateToken(position, info.rawLine, cursor);
    if (move == NoMove || isWhitePiece(move.piece) != (position.sideToMove() == kWhiteSide))
        return false;
    // A refused move ends it here: no ponder, no clock, no game-end test.
    if (!makeMove(move, thinkingMs, true, true))
        return false;
    if (m_options.pondering && m_options.autoAnswer && !m_state.analysisMode) {
        Move predicted = NoMove;
        if (info.rawLine.size() > 8) {
            Board after = m_state.board;
            predicted = readCoordinateToken(after, info.rawLine, cursor);
        }
        if (predicted == NoMove && m_host)
            predicted = m_host->output().expectedReply(m_state.board);
        if (predicted != NoMove)
            startPonder(predicted);
    }
    m_state.moveStartTick = now();
    m_view.invalidateStatus();
    m_view.invalidateMoveList();
    return true;
}

// --- Clocks --------------------------------------------------------------------------------------

ClockParts GameController::clocks() const
{
    ClockInputs inputs;
    inputs.now = now();
    inputs.whiteTimeUsedMs = m_state.whiteTimeUsed;
    inputs.blackTimeUsedMs = m_state.blackTimeUsed;
    inputs.moveStartTick = m_state.moveStartTick;
    inputs.searchStartTick = m_engine.searchStartTick.load();
    inputs.engineSearching =
        isEngineSearchingForMove() || (m_engine.isBusy() && m_state.analysisMode);
    inputs.analysisMode = m_state.analysisMode;
    inputs.trainingMode = m_state.trainingMode;
    inputs.serverOrObserve = m_state.serverGameMode || m_state.observeMode;
    inputs.plyNumber = m_state.plyNumber;
    inputs.whiteToMove = m_state.board.sideToMove() == kWhiteSide;
    // The game-end test marks what it looks at; the shown board stays as it is.
    inputs.gameOver = Board(m_state.board).gameEnd() != GameEndCode::None;
    DgtClockTexts dgt = m_dgtClock;
    dgt.connected = m_state.dgtConnected;
    dgt.serverGame = m_state.serverGameMode;
    return clockParts(m_level, inputs, dgt);
}

std::string GameController::clockText(bool flipped, int layout) const
{
    return velmorak::clockText(clocks(), flipped, layout);
}

// --- Level ---------------------------------------------------------------------------------------

void GameController::loadLevel()
{
    velmorak::loadLevel(m_settings, m_level);
}

void GameController::saveLevel()
{
    velmorak::saveLevel(m_settings, m_level);
}

void GameController::warnLevelChange()
{
    if (m_state.serverGameMode || m_state.observeMode)
        message(kLevelOnServer);
}

void GameController::applyLevel(const LevelRecord& level)
{
    if (level == m_level)
        return;
    m_level = level;
    if (isEngineSearchingForMove()) {
        m_state.showLevelLine = true;
        m_state.ponderResultReady = false;
        stopEngine(false);
        m_state.moveStartTick = 0;
    }
    m_view.invalidateStatus();
}

// --- Autosave ------------------------------------------------------------------------------------

void GameController::autosaveGame()
{
    autosave(false);
}

void GameController::autosave(bool inMakeMove)
{
    Board& board = m_state.board;
    GameEndCode end = board.gameEnd();
    TagCompletionRequest request;
    request.namePlayers = end != GameEndCode::Checkmate && end != GameEndCode::Stalemate;
    request.ownerPlaysWhite = board.sideToMove() == kWhiteSide;
    request.forAutosave = true;
    request.currentSan = m_state.currentNode->san();
    // Inside makeMove the board still stands before the new node's move.
    request.blackToMove = (board.sideToMove() == kWhiteSide) == inMakeMove;
    // Written on the autosave thread, which reports a failure.
    m_autosave.save(m_autosave.prepare(*m_state.game, request, m_tagSources));
}

void GameController::tellAutosaveFailure()
{
    if (std::optional<Error> failure = m_autosave.takeFailure())
        message("Games are not being saved: " + failure->message, MessageIcon::Exclamation);
}

bool GameController::restoreAutosave()
{
    std::unique_ptr<CPgnGame> game = m_autosave.restore();
    if (!game)
        return false;
    setGame(std::move(game));
    return true;
}

// --- Timers --------------------------------------------------------------------------------------

void GameController::armTimer(Clock::TimerId id, int periodMs, bool periodic)
{
    std::weak_ptr<GameController*> alive = m_alive;
    UiThread* ui = &m_ui;
    m_clock.startTimer(id, periodMs, periodic, [alive, ui, id] {
        ui->post([alive, id] {
            if (auto controller = alive.lock())
                (*controller)->timerFired(id);
        });
    });
}

void GameController::timerFired(Clock::TimerId id)
{
    if (id == kEngineResultTimer) {
        playPendingResult();
    } else if (id == kReplayTimer) {
        replayStep();
    } else if (id == kTrainingReplyTimer || id == kTrainingSolvedTimer) {
        trainingTimer(id);
    }
}

} // namespace velmorak
