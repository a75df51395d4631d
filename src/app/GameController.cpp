#include "app/GameController.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

#include "app/GameEndTexts.h"
#include "app/SearchLevel.h"
#include "base/ProgramDirectory.h"
#include "engine/BookSettings.h"
#include "engine/HashSize.h"
#include "record/GameTreeEditing.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"
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
constexpr std::string_view kClearHashtablesRefusal =
    "Can\u00b4t clear hashtables while engine is running";
constexpr std::string_view kEngineInServerGame =
    "WARNING: engine running and not analysing in servergamemmode";

bool isBlackMover(const Board& before)
{
    return before.sideToMove() == kBlackSide;
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

constexpr std::string_view kHintWhileThinking = "Hint not possible while engine is thinking";
constexpr std::string_view kHintWhileObserving =
    "Hint not possible while observing a game, please use analyze instead.";
constexpr std::string_view kHintOnServer = "Hint not possible while playing on server";
constexpr std::string_view kThreatWhileThinking =
    "Show threat not possible while engine is thinking";
constexpr std::string_view kThreatOnServer = "Show threat not possible while playing on server";
constexpr const char* kSearchingHint = "Searching for hint move...    ";
constexpr const char* kSearchingThreat = "Searching for threat move...  ";

// The first move of an engine line, as a legal move of `position`; NoMove when none.
Move firstMove(const Board& position, const std::string& line)
{
    Board board = position;
    std::size_t cursor = 0;
    return readCoordinateToken(board, line, cursor);
}

std::string sanOf(const Board& position, Move move)
{
    Board board = position;
    return writeSan(board, move);
}

// The position with the other side to move and no en-passant square: what the opponent
// could do if the side to move could pass.
std::string passedFen(const Board& board)
{
    // Field by field: placement, side, castling, en passant, then the counters.
    std::string fen = board.fen();
    std::string out;
    std::size_t start = 0;
    for (int field = 0; start <= fen.size(); ++field) {
        std::size_t end = std::min(fen.find(' ', start), fen.size());
        std::string_view text = std::string_view(fen).substr(start, end - start);
        if (field > 0)
            out += ' ';
        if (field == 1)
            out += text == "w" ? "b" : "w";
        else if (field == 3)
            out += '-';
        else
            out += text;
        start = end + 1;
    }
    return out;
}

std::string logText(const char* format, int a, int b = 0)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

} // namespace

// The tree rules ask through this, so that their questions count as open boxes too.
class GameController::CountedPrompts : public LinePrompts {
public:
    explicit CountedPrompts(GameController& controller)
        : m_controller(controller)
    {
    }
    NewLineChoice askNewLine(NewLineQuestion& question) override
    {
        const std::uint64_t serial = m_controller.m_state.gameSerial;
        ModalScope scope(m_controller.m_state);
        NewLineChoice choice = m_controller.m_prompts.askNewLine(question);
        // `at` belongs to a game that may have gone while the box was open.
        return m_controller.m_state.gameSerial == serial ? choice : NewLineChoice::Cancel;
    }
    bool askOkCancel(std::string_view title, std::string_view text) override
    {
        const std::uint64_t serial = m_controller.m_state.gameSerial;
        return m_controller.askOkCancel(title, text) && m_controller.m_state.gameSerial == serial;
    }

private:
    GameController& m_controller;
};

GameController::GameController(ControllerServices services)
    : m_prompts(services.prompts)
    , m_view(services.view)
    , m_ui(services.ui)
    , m_clock(services.clock)
    , m_settings(services.settings)
    , m_options(services.options)
    , m_sounds(services.sounds)
    , m_tagSources(services.tagSources)
    , m_linePrompts(std::make_unique<CountedPrompts>(*this))
    , m_autosave(services.documentsFolder, services.autosaveStore)
    , m_engine(EngineSession::Services { m_state, services.view, services.ui, services.pump,
                   services.clock, services.store, services.options,
                   std::move(services.availableMemoryKb) },
          *this)
    , m_databases(DatabaseSession::Services { *this, services.prompts, services.settings,
          services.documentsFolder + "/" + std::string(kAutosaveFileName) })
    , m_training(TrainingSession::Services { *this, m_state, m_databases, services.prompts,
          services.view, services.ui, services.clock, services.settings, services.documentsFolder,
          services.programFolder.empty() ? dataDirectory() : services.programFolder })
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
    m_clock.killTimer(kReplayTimer);
    m_clock.killTimer(kFlagTimer);
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

// --- Start and exit ------------------------------------------------------------------------------

void GameController::exit()
{
    if (m_state.observeMode)
        SetObserveMode(false, -1);
    stopReplayAndAnalysis();
    setAnalysisMode(false);
    m_clock.killTimer(kFlagTimer);
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
        return m_training.userMove(move, dragged);
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
    if (m_state.ponderMove != NoMove && move == m_state.ponderMove)
        m_state.coachLastScore = kNoCoachScore;
    if (!m_engine.answerFromPonder(move))
        startSearch();
    return true;
}

bool GameController::makeMove(Move move, std::int64_t timeMs, bool animate, bool byEngine)
{
    return enterMoveFrom(
        byEngine ? MoveSource::Engine : MoveSource::User, move, timeMs, animate, true);
}

bool GameController::enterServerMove(Move move, std::int64_t timeMs, bool live)
{
    // The engine's line is about the position before the move.
    stopEngine(false);
    return enterMoveFrom(MoveSource::Server, move, timeMs, live, live);
}

bool GameController::enterMoveFrom(
    MoveSource source, Move move, std::int64_t timeMs, bool animate, bool live)
{
    const bool byEngine = source == MoveSource::Engine;
    const bool byServer = source == MoveSource::Server;
    Board& board = m_state.board;
    if (!board.isMoveLegal(move))
        return false;
    timeMs = std::max<std::int64_t>(0, timeMs);
    std::string san = writeSan(board, move);
    int childrenBefore = m_state.currentNode->childCount();
    // The server decides the game: its move continues the main line, never asking.
    const VariationMode mode =
        byServer ? VariationMode::AddMainLine : VariationMode(m_options.variationMode);
    EnteredMove entered =
        enterMove(*m_state.game, m_state.currentNode, move, san, timeMs, mode, *m_linePrompts);
    if (entered.newDefault) {
        m_options.variationMode = int(*entered.newDefault);
        if (const OptionSpec* option = AppSettings::find(kVariationModeOption))
            m_options.saveOption(m_settings, *option);
    }
    // Lines deleted in the dialog may have held the coach's memory.
    if (entered.linesDeleted) {
        forgetCoach();
        m_view.setCommandEnabled(
            ControllerCommand::NextMove, m_state.currentNode->childCount() > 0);
        m_view.invalidateMoveList();
    }
    if (entered.cancelled)
        return false;
    // A new node in place of an old one: the main line was replaced and its nodes deleted,
    // the coach's memory among them perhaps.
    if (entered.created && childrenBefore > 0 &&
        m_state.currentNode->childCount() == childrenBefore)
        forgetCoach();
    m_state.lastMove = move;
    m_state.currentNode = entered.node;
    if (byServer)
        entered.node->setTime(timeMs);
    // The autosave sees the position before the move: the mover gets the owner's name.
    if (live && (entered.created || byServer))
        autosave(true);
    m_view.setCommandEnabled(ControllerCommand::TakeBack, true);
    m_view.setCommandEnabled(ControllerCommand::NextMove, m_state.currentNode->childCount() > 0);

    Board before = board;
    addTime(isBlackMover(before), timeMs);
    board.makeMove(move);
    ++m_state.plyNumber;

    if (byEngine || AnnounceMode(m_options.announceMode) == AnnounceMode::All)
        m_state.moveStartTick = 0;
    // A server's moves come while the user may read a dialog: they are entered, but neither
    // drawn nor spoken under it; a fast observed game is not spoken move upon move.
    const bool shown = live && !(byServer && dialogOpen());
    const bool spoken = shown &&
        !(byServer && m_state.observeMode && m_lastServerAnnounce != 0 &&
            now() - m_lastServerAnnounce < kServerAnnounceMs);
    if (spoken) {
        m_sounds.announceMadeMove(source, move, before, san, m_state.dgtConnected);
        if (byServer)
            m_lastServerAnnounce = now();
    }
    if (byEngine || m_state.serverGameMode || m_state.observeMode)
        m_state.moveStartTick = now();

    m_view.moveEntered(*m_state.currentNode);
    if (shown)
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
    recordGameEnd(gameEndTexts(code, m_state.board.sideToMove() == kWhiteSide), false);
    return code;
}

void GameController::recordGameEnd(const GameEndTexts& texts, bool resultAlways)
{
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
    if (!texts.result.empty() && (resultAlways || node == m_state.game->root()->endOfMainLine()))
        m_state.game->setResult(texts.result);
}

bool GameController::checkFlag()
{
    const bool timed = m_level.mode == kBlitzLevel || m_level.mode == kTournamentLevel;
    if (!m_loseOnTime || !timed || m_state.analysisMode || m_state.trainingMode ||
        m_state.autoReplay || m_state.serverGameMode || m_state.observeMode ||
        m_state.game->result() != "*")
        return false;
    // A box open over the game holds it: its clock is judged once the box is closed.
    if (dialogOpen())
        return false;
    const ClockInputs inputs = clockInputs();
    if (inputs.gameOver)
        return false;
    const Clocks clocks = computeClocks(m_level, inputs);
    auto runOut = [](const ClockValue& v) { return v.minutes * 60 + v.seconds <= 0; };
    // The side to move is the one whose clock runs; the other one can have run out only by a
    // move made late under a box.
    const bool white = runOut(clocks.white);
    const bool black = runOut(clocks.black);
    if (!white && !black)
        return false;
    const bool whiteLost = white && black ? inputs.whiteToMove : white;

    // The running move's time is charged to its side, so that both clocks stand from now.
    const std::int64_t since =
        inputs.engineSearching ? inputs.searchStartTick : inputs.moveStartTick;
    if (since != 0)
        addTime(!inputs.whiteToMove, std::max<std::int64_t>(0, now() - since));
    stopEngine(false);
    forgetPonder();
    m_state.moveStartTick = 0;
    m_state.game->setTag("Termination", "time forfeit");
    recordGameEnd(timeLossTexts(whiteLost), true);
    m_view.invalidateStatus();
    return true;
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
        handEngineTheSideToMove();
        startSearch();
    } else if (m_state.analysisMode) {
        std::int64_t thinking = std::max<std::int64_t>(0, now() - m_engine.searchStartTick());
        stopEngine(false);
        SearchInfo info = m_engine.snapshot();
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
        handEngineTheSideToMove();
        startSearch();
    }
}

void GameController::handEngineTheSideToMove()
{
    // The engine takes the player's colour: the players line names who now plays which.
    CGame& game = *m_state.game;
    const bool whiteToMove = m_state.board.sideToMove() == kWhiteSide;
    const char* engineTag = whiteToMove ? "White" : "Black";
    const char* playerTag = whiteToMove ? "Black" : "White";
    const std::string program(kProgramTitle);
    if (game.white().empty() && game.black().empty()) {
        game.setTag(engineTag, program);
        game.setTag(playerTag, m_tagSources.ownerName());
    } else if (game.getTag(engineTag) != program && game.getTag(playerTag) == program) {
        const std::string player = game.getTag(engineTag);
        const std::string playerElo = game.getTag(std::string(engineTag) + "Elo");
        const std::string programElo = game.getTag(std::string(playerTag) + "Elo");
        auto setOrRemove = [&game](const std::string& name, const std::string& value) {
            if (value.empty())
                game.removeTag(name);
            else
                game.setTag(name, value);
        };
        game.setTag(engineTag, program);
        game.setTag(playerTag, player);
        setOrRemove(std::string(engineTag) + "Elo", programElo);
        setOrRemove(std::string(playerTag) + "Elo", playerElo);
    } else {
        return;
    }
    m_view.invalidateStatus();
}

// --- The engine ----------------------------------------------------------------------------------

void GameController::clearEngineOutput()
{
    m_engine.clearOutput();
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

SearchLevelInputs GameController::levelInputs(bool afterPredictedMove) const
{
    // A ponder search gets the level of the engine's own next move: its colour, its number.
    bool white = (m_state.board.sideToMove() == kWhiteSide) != afterPredictedMove;
    ClockParts parts = clocks();
    SearchLevelInputs inputs;
    inputs.analysis = m_state.analysisMode;
    inputs.moveNumber = (m_state.plyNumber + (afterPredictedMove ? 2 : 1)) / 2;
    inputs.usedSeconds = (white ? m_state.whiteTimeUsed : m_state.blackTimeUsed) / 1000;
    inputs.dgtSeconds = white ? parts.whiteDgtSeconds : parts.blackDgtSeconds;
    return inputs;
}

void GameController::startSearch()
{
    m_engine.startSearch(levelInputs(false), m_level);
}

void GameController::startPonder(Move predicted)
{
    if (!m_options.pondering || m_state.analysisMode || !m_options.autoAnswer)
        return;
    m_engine.startPonder(predicted, levelInputs(true), m_level);
}

void GameController::forgetPonder()
{
    m_engine.forgetPonder();
}

void GameController::engineMoveFound(const SearchEnded& ended, std::int64_t thinkingMs)
{
    // An engine that failed in the search (it crashed, ended, or was ended for silence)
    // left at best the line of a search cut short: a fresh start searches once more.
    std::string reason = m_engine.failureReason();
    if (!reason.empty() && m_retriedAt != m_state.currentNode) {
        engineFailed(reason, true);
        return;
    }
    // The coach may offer to take the user's move back instead.
    if (coachTakesBack(ended))
        return;
    if (playEngineMove(ended.info, thinkingMs)) {
        m_retriedAt = nullptr;
        updateCoachMemory(ended);
        checkGameEnd();
    } else if (m_state.board.gameEnd() == GameEndCode::None) {
        // A finished game has no move to give; it said so when it ended.
        engineFailed(reason, false);
    }
}

void GameController::ponderedMoveFound(const SearchInfo& info)
{
    if (playEngineMove(info, 0))
        checkGameEnd();
}

void GameController::engineFailed(const std::string& reason, bool searchAgain)
{
    std::string text = "The engine gave no move";
    text += reason.empty() ? std::string(".") : ": " + reason + ".";
    if (searchAgain)
        text += " It is started again and searches once more.";
    message(text, MessageIcon::Exclamation);
    if (!searchAgain)
        return;
    m_retriedAt = m_state.currentNode;
    startSearch();
}

bool GameController::playEngineMove(const SearchInfo& info, std::int64_t thinkingMs)
{
    m_engine.forgetPonder();
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
        if (predicted == NoMove)
            predicted = m_engine.expectedReply(m_state.board);
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
    DgtClockTexts dgt = m_dgtClock;
    dgt.connected = m_state.dgtConnected;
    dgt.serverGame = m_state.serverGameMode;
    return clockParts(m_level, clockInputs(), dgt);
}

ClockInputs GameController::clockInputs() const
{
    ClockInputs inputs;
    inputs.now = now();
    inputs.whiteTimeUsedMs = m_state.whiteTimeUsed;
    inputs.blackTimeUsedMs = m_state.blackTimeUsed;
    inputs.moveStartTick = m_state.moveStartTick;
    inputs.searchStartTick = m_engine.searchStartTick();
    inputs.engineSearching =
        isEngineSearchingForMove() || (m_engine.isBusy() && m_state.analysisMode);
    inputs.analysisMode = m_state.analysisMode;
    inputs.trainingMode = m_state.trainingMode;
    inputs.serverOrObserve = m_state.serverGameMode || m_state.observeMode;
    inputs.plyNumber = m_state.plyNumber;
    inputs.whiteToMove = m_state.board.sideToMove() == kWhiteSide;
    // The game-end test marks what it looks at; the shown board stays as it is.
    // A game with its result written (resigned, lost on time, ended on the server) is over
    // too: no clock runs on after it.
    inputs.gameOver =
        Board(m_state.board).gameEnd() != GameEndCode::None || m_state.game->result() != "*";
    return inputs;
}

std::string GameController::clockText(bool flipped, int layout) const
{
    return velmorak::clockText(clocks(), flipped, layout);
}

// --- Level ---------------------------------------------------------------------------------------

void GameController::loadLevel()
{
    velmorak::loadLevel(m_settings, m_level);
    bool loseOnTime = false;
    m_settings.readBool(kLoseOnTimeSetting, loseOnTime);
    setLoseOnTime(loseOnTime);
}

void GameController::saveLevel()
{
    velmorak::saveLevel(m_settings, m_level);
    m_settings.writeBool(kLoseOnTimeSetting, m_loseOnTime);
}

void GameController::setLoseOnTime(bool on)
{
    m_loseOnTime = on;
    if (on)
        armTimer(kFlagTimer, kFlagCheckMs, true);
    else
        m_clock.killTimer(kFlagTimer);
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

TagCompletionRequest GameController::tagRequest(bool inMakeMove)
{
    Board& board = m_state.board;
    GameEndCode end = board.gameEnd();
    TagCompletionRequest request;
    request.namePlayers = end != GameEndCode::Checkmate && end != GameEndCode::Stalemate;
    request.ownerPlaysWhite = board.sideToMove() == kWhiteSide;
    request.currentSan = m_state.currentNode->san();
    // Inside makeMove the board still stands before the new node's move.
    request.blackToMove = (board.sideToMove() == kWhiteSide) == inMakeMove;
    return request;
}

void GameController::completeTags()
{
    velmorak::completeTags(*m_state.game, tagRequest(false), m_tagSources);
}

std::vector<std::string> GameController::knownPlayerNames()
{
    std::vector<std::string> names { m_tagSources.ownerName() };
    if (const EnginePluginHost* host = m_engine.host(); host && !host->engineName().empty())
        names.push_back(host->engineName());
    names.emplace_back(kProgramTitle);
    return names;
}

void GameController::autosave(bool inMakeMove)
{
    TagCompletionRequest request = tagRequest(inMakeMove);
    request.forAutosave = true;
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
    startPostedTimer(m_clock, m_ui, std::weak_ptr(m_alive), id, periodMs, periodic,
        [id](GameController& controller) { controller.timerFired(id); });
}

void GameController::timerFired(Clock::TimerId id)
{
    if (id == kReplayTimer)
        replayStep();
    else if (id == kFlagTimer)
        checkFlag();
}

// --- Modes ---------------------------------------------------------------------------------------

void GameController::setEmptyGame()
{
    m_view.endAnimation();
    m_state.game = std::make_unique<CPgnGame>();
    m_state.gameFile.clear();
    ++m_state.gameSerial;
    ++m_state.lineSerial;
    // An empty game holds nothing worth asking about.
    m_state.game->setChanged(false);
    m_state.currentNode = m_state.game->root();
    m_state.board.setStartPosition();
    m_view.clearSelection();
    m_state.whiteTimeUsed = 0;
    m_state.blackTimeUsed = 0;
    m_state.plyNumber = 1;
    forgetCoach();
    // The old game's nodes go: a new one may take an address remembered here.
    m_retriedAt = nullptr;
    m_state.analysisMode = false;
    m_state.hintSearchActive = false;
    m_state.autoReplay = false;
    m_state.replayEngineFinish = false;
    m_state.playEngineResult = true;
    m_state.ponderMove = NoMove;
    m_state.lastMove = NoMove;
    m_state.moveStartTick = 0;
    m_state.showLevelLine = true;
    m_dgtClock.white.clear();
    m_dgtClock.black.clear();
    m_state.bookMissCount = 0;
    m_state.trainingMode = false;
    m_state.observeMode = false;
    m_state.serverGameMode = false;
    m_state.serverGameNumber = -1;
    forgetPonder();
}

void GameController::newGame(bool ask)
{
    if (!guardNewGame())
        return;
    if (m_state.trainingMode)
        setTraining(false);
    if (m_state.observeMode)
        SetObserveMode(false, -1);
    if (ask && m_state.game->changed() && !m_state.dgtConnected &&
        !askOkCancel("Velmorak", "Do you really want a new game?"))
        return;
    stopReplayAndAnalysis();
    setAnalysisMode(false);
    stopEngine(false);
    autosaveGame();
    setEmptyGame();
    clearEngineOutput();
    m_engine.clearHashtables();
    m_view.redrawBoard();
    m_view.positionChanged(m_state.board);
    m_view.setCommandEnabled(ControllerCommand::TakeBack, false);
    m_view.setCommandEnabled(ControllerCommand::NextMove, false);
    m_view.setCommandChecked(ControllerCommand::Analysis, false);
    m_view.setCommandChecked(ControllerCommand::Replay, false);
}

bool GameController::prepareGameChange()
{
    // An open box's question is about the game it was asked in.
    if (dialogOpen())
        return false;
    if (m_state.serverGameMode) {
        message("Please finish running server-game first");
        return false;
    }
    if (m_state.observeMode)
        SetObserveMode(false, -1);
    return true;
}

bool GameController::clearHashTables()
{
    if (m_engine.isBusy()) {
        message(kClearHashtablesRefusal, MessageIcon::Exclamation);
        return false;
    }
    if (!m_engine.isLoaded() || !m_engine.isRunning())
        return false;
    m_engine.clearHashtables();
    return true;
}

void GameController::toggleAnalysis()
{
    if (!guardAnalysis())
        return;
    if (m_engine.isPondering()) {
        stopEngine(false);
        forgetPonder();
        m_state.ponderMove = NoMove;
    }
    m_state.showLevelLine = false;
    m_state.playEngineResult = false;
    m_state.analysisMode = !m_state.analysisMode;
    m_view.setCommandChecked(ControllerCommand::Analysis, m_state.analysisMode);
    if (m_state.analysisMode) {
        if (!acceptAnalysisStep())
            m_state.showLevelLine = true;
        else
            startSearch();
    } else {
        stopEngine(false);
        m_state.playEngineResult = true;
        if (!m_state.observeMode && !m_state.serverGameMode)
            m_state.moveStartTick = 0;
        if (!m_state.currentNode->parent())
            m_state.showLevelLine = true;
    }
    m_view.invalidateStatus();
}

void GameController::setAnalysisMode(bool on)
{
    if (m_state.analysisMode == on)
        return;
    if (!on && m_state.replayEngineFinish) {
        // The engine was finishing a replayed game: that replay ends with the analysis.
        m_state.replayEngineFinish = false;
        m_state.autoReplay = false;
        m_clock.killTimer(kReplayTimer);
        m_view.setCommandChecked(ControllerCommand::Replay, false);
    }
    m_state.analysisMode = on;
    m_view.setCommandChecked(ControllerCommand::Analysis, on);
    if (on) {
        m_state.showLevelLine = false;
        m_state.lastStepTick = now();
        startSearch();
    } else {
        stopEngine(false);
        m_state.playEngineResult = true;
        if (!m_state.observeMode && !m_state.serverGameMode)
            m_state.moveStartTick = 0;
        m_state.showLevelLine = !m_state.currentNode->parent();
    }
    m_view.invalidateStatus();
}

int GameController::replayPeriodMs() const
{
    return (m_options.replaySeconds + 1) * 250;
}

void GameController::startReplay()
{
    if (m_state.autoReplay) {
        stopReplayAndAnalysis();
        return;
    }
    if (!guardReplay())
        return;
    int firstDelay = 500;
    if (m_state.currentNode->childCount() == 0) {
        if (!askYesNo("Replay",
                "Last position of game, would you like to let the engine finish the game?",
                MessageIcon::Question, true))
            return;
        m_state.replayEngineFinish = true;
        if (!m_state.analysisMode) {
            std::weak_ptr<GameController*> alive = m_alive;
            m_ui.post([alive] {
                if (auto controller = alive.lock())
                    (*controller)->setAnalysisMode(true);
            });
        }
        firstDelay = m_options.replaySeconds * 250 + 500;
    }
    m_state.autoReplay = true;
    armTimer(kReplayTimer, firstDelay, true);
    m_view.setCommandChecked(ControllerCommand::Replay, true);
}

void GameController::replayStep()
{
    if (!m_state.autoReplay) {
        m_clock.killTimer(kReplayTimer);
        return;
    }
    // Not under an animation or an open box; the timer comes again.
    if (m_view.isAnimating() || m_state.modalMessageOpen > 0)
        return;
    m_clock.killTimer(kReplayTimer);
    forwardMove();
}

void GameController::stopReplayAndAnalysis()
{
    if (m_state.replayEngineFinish) {
        stopEngine(false);
        m_state.replayEngineFinish = false;
        setAnalysisMode(false);
    }
    if (m_state.autoReplay) {
        m_state.autoReplay = false;
        m_clock.killTimer(kReplayTimer);
        m_view.setCommandChecked(ControllerCommand::Replay, false);
    }
}

void GameController::SetServerGameMode(bool on, int gameNumber)
{
    if (on == m_state.serverGameMode && gameNumber == m_state.serverGameNumber)
        return;
    m_state.serverGameMode = on;
    m_state.serverGameNumber = gameNumber;
    // The server's clock starts with the game: so does White's here.
    if (on)
        m_state.moveStartTick = now();
    if (m_server)
        m_server->log(logText("SetServerGameMode(%d)", on ? 1 : 0));
}

void GameController::SetObserveMode(bool on, int gameNumber)
{
    if (!on && m_state.observeMode && m_server) {
        m_server->sendUnobserve();
        m_server->log(logText("SetObserveMode(%d)", m_state.serverGameNumber));
    }
    m_state.observeMode = on;
    m_state.serverGameNumber = gameNumber;
    if (m_server)
        m_server->log(logText("SetObserveMode(%d, %d)", on ? 1 : 0, gameNumber));
}

// --- Navigation ----------------------------------------------------------------------------------

void GameController::addTime(bool black, std::int64_t ms)
{
    std::int64_t& used = black ? m_state.blackTimeUsed : m_state.whiteTimeUsed;
    // Times taken back may exceed what is left (a game edited elsewhere): never below 0.
    used = std::max<std::int64_t>(0, used + ms);
}

bool GameController::acceptAnalysisStep()
{
    std::int64_t tick = now();
    if (m_state.lastStepTick != 0 && tick - m_state.lastStepTick < kAnalysisStepMs)
        return false;
    m_state.lastStepTick = tick;
    return true;
}

void GameController::updateNavigationCommands()
{
    CGameNode* node = m_state.currentNode;
    m_view.setCommandEnabled(ControllerCommand::TakeBack, node->parent() != nullptr);
    m_view.setCommandEnabled(ControllerCommand::NextMove, node->childCount() > 0);
}

void GameController::unmakeOne()
{
    CGameNode* node = m_state.currentNode;
    m_state.board.unmakeMove();
    if (m_state.bookMissCount > 0)
        --m_state.bookMissCount;
    addTime(node->isBlackMove(), -node->time());
    m_state.currentNode = node->parent();
    --m_state.plyNumber;
}

void GameController::afterTakeBack(bool animate, Move takenBack, int plies)
{
    CGameNode* node = m_state.currentNode;
    if (!node->parent()) {
        m_view.setCommandEnabled(ControllerCommand::TakeBack, false);
        m_state.lastMove = NoMove;
        m_state.showLevelLine = !m_state.analysisMode;
    } else {
        m_state.lastMove = node->move();
        m_state.showLevelLine = false;
    }
    if (plies == 1)
        m_view.drawTakeBack(takenBack, animate);
    else
        m_view.redrawBoard();
    m_view.positionChanged(m_state.board);
    clearEngineOutput();
    ++m_state.lineSerial;
    m_state.moveStartTick = 0;
    m_view.setCommandEnabled(ControllerCommand::NextMove, true);
    forgetPonder();
    m_state.ponderMove = NoMove;
    if (m_state.analysisMode)
        restartAnalysis();
}

void GameController::takeBackMove(bool animate)
{
    if (m_state.analysisMode && !acceptAnalysisStep())
        return;
    if (m_state.serverGameMode) {
        // Only a request: the game changes when the server answers.
        if (m_server)
            m_server->requestTakeback();
        return;
    }
    if (!guardTakeBack(false))
        return;
    stopEngine(false);
    if (m_state.autoReplay)
        stopReplayAndAnalysis();
    CGameNode* node = m_state.currentNode;
    if (!node->parent())
        return;
    Move takenBack = node->move();
    unmakeOne();
    afterTakeBack(animate, takenBack, 1);
}

void GameController::serverTakeBack(int plies)
{
    if (plies <= 0)
        return;
    stopEngine(false);
    int taken = 0;
    while (taken < plies && m_state.currentNode->parent()) {
        unmakeOne();
        ++taken;
    }
    if (taken > 0)
        afterTakeBack(false, NoMove, taken);
}

void GameController::correctUsedTime(bool black, std::int64_t deltaMs)
{
    std::int64_t& used = black ? m_state.blackTimeUsed : m_state.whiteTimeUsed;
    std::int64_t corrected = 0;
    // A server's figures are outside input: saturate instead of wrapping round.
    if (__builtin_add_overflow(used, deltaMs, &corrected))
        corrected = deltaMs > 0 ? std::numeric_limits<std::int64_t>::max() : 0;
    used = std::max<std::int64_t>(0, corrected);
}

void GameController::setCurrentMoveTime(std::int64_t ms)
{
    if (m_state.currentNode->parent())
        m_state.currentNode->setTime(std::max<std::int64_t>(0, ms));
}

void GameController::takeBackPlies(int count)
{
    if (m_state.analysisMode && !acceptAnalysisStep())
        return;
    if (!guardTakeBack(false))
        return;
    if (m_state.autoReplay)
        stopReplayAndAnalysis();
    stopEngine(false);
    int plies = 0;
    while (plies < count && m_state.currentNode->parent()) {
        unmakeOne();
        ++plies;
    }
    if (plies > 0)
        afterTakeBack(false, NoMove, plies);
}

void GameController::takeBackToNode(const CGameNode* node)
{
    int plies = 0;
    CGameNode* at = m_state.currentNode;
    for (; at && at != node; at = at->parent())
        ++plies;
    if (!at)
        return;
    if (plies > 0)
        takeBackPlies(plies);
    m_state.tappedMove = at;
}

CGameNode* GameController::takeCommentTarget()
{
    CGameNode* target = m_state.tappedMove ? m_state.tappedMove : m_state.currentNode;
    m_state.tappedMove = nullptr;
    return target;
}

bool GameController::deleteLine(CGameNode* line)
{
    if (!confirmDeleteLine(*line, *m_linePrompts))
        return false;
    bool currentInLine = false;
    for (const CGameNode* n = m_state.currentNode; n && !currentInLine; n = n->parent())
        currentInLine = n == line;
    if (currentInLine)
        gotoNode(line->parent());
    removeLine(*m_state.game, line);
    // Anything remembered may have stood in the deleted line.
    forgetCoach();
    m_retriedAt = nullptr;
    updateNavigationCommands();
    m_view.invalidateMoveList();
    return true;
}

void GameController::backToBranchPoint()
{
    if (m_state.serverGameMode || m_state.observeMode) {
        message(kNoTakeback);
        return;
    }
    int steps = fastBackSteps(*m_state.currentNode);
    if (steps > 0)
        takeBackPlies(steps);
}

void GameController::makeForward(CGameNode* child)
{
    Board before = m_state.board;
    m_state.board.makeMove(child->move());
    m_state.currentNode = child;
    m_state.lastMove = child->move();
    ++m_state.plyNumber;
    m_state.showLevelLine = false;
    addTime(child->isBlackMove(), child->time());
    bool stepping = m_state.trainingMode || m_state.autoReplay || m_state.observeMode;
    if (stepping && AnnounceMode(m_options.announceMode) == AnnounceMode::All)
        m_sounds.AnnounceMove(child->move(), before, child->san());
}

void GameController::afterForward(int plies)
{
    bool stepping = m_state.trainingMode || m_state.autoReplay || m_state.observeMode;
    if (plies == 1)
        // In a training the step forward is the reply to the user's move.
        m_view.drawMove(m_state.lastMove, true, stepping && m_options.sound, m_state.trainingMode);
    else
        m_view.redrawBoard();
    m_view.positionChanged(m_state.board);
    clearEngineOutput();
    ++m_state.lineSerial;
    if (!m_state.trainingMode)
        m_state.moveStartTick = 0;
    updateNavigationCommands();
    forgetPonder();
    m_state.ponderMove = NoMove;
    if (m_state.analysisMode)
        restartAnalysis();
    if (m_state.autoReplay)
        armTimer(kReplayTimer, replayPeriodMs(), true);
}

void GameController::forwardMove()
{
    if (!guardForward())
        return;
    CGameNode* node = m_state.currentNode;
    if (node->childCount() == 0) {
        GameEndCode end = m_state.board.gameEnd();
        bool over = end == GameEndCode::Checkmate || end == GameEndCode::Stalemate;
        if (m_state.replayEngineFinish && !over) {
            // The engine, analysing, plays on for the side to move; the replay goes on.
            std::weak_ptr<GameController*> alive = m_alive;
            m_ui.post([alive] {
                if (auto controller = alive.lock())
                    (*controller)->moveNow();
            });
            if (m_state.autoReplay)
                armTimer(kReplayTimer, replayPeriodMs(), true);
        } else {
            stopReplayAndAnalysis();
        }
        return;
    }
    if (m_state.analysisMode && !acceptAnalysisStep())
        return;
    if (m_engine.isBusy())
        stopEngine(false);
    int index = 0;
    if (node->childCount() > 1 && !m_state.autoReplay && !m_state.trainingMode &&
        !m_state.observeMode) {
        const std::uint64_t serial = m_state.gameSerial;
        ++m_state.modalMessageOpen;
        index = m_prompts.selectLine(*node);
        --m_state.modalMessageOpen;
        if (m_state.gameSerial != serial)
            return;
        index = std::clamp(index, 0, node->childCount() - 1);
    }
    makeForward(node->child(index));
    afterForward(1);
}

void GameController::forwardPlies(int count)
{
    if (!guardForward())
        return;
    if (m_state.currentNode->childCount() == 0)
        return;
    if (m_state.analysisMode && !acceptAnalysisStep())
        return;
    stopEngine(false);
    int plies = 0;
    while (plies < count && m_state.currentNode->childCount() > 0) {
        makeForward(m_state.currentNode->child(0));
        ++plies;
    }
    afterForward(plies);
}

void GameController::forwardToBranchPoint()
{
    if (!guardForward())
        return;
    int steps = fastForwardSteps(*m_state.currentNode);
    if (steps > 0)
        forwardPlies(steps);
}

void GameController::setGame(std::unique_ptr<CPgnGame> game, std::string file)
{
    stopEngine(false);
    clearEngineOutput();
    setAnalysisMode(false);
    m_state.game = std::move(game);
    m_state.gameFile = std::move(file);
    ++m_state.gameSerial;
    m_state.currentNode = m_state.game->root();
    m_state.coachLastNode = nullptr;
    m_state.tappedMove = nullptr;
    m_retriedAt = nullptr;
    forgetPonder();
    m_state.ponderMove = NoMove;
    // A game from the start opens at its end; a set-up position at its start.
    CGameNode* target = m_state.game->getTag("FEN").empty() ? m_state.game->root()->endOfMainLine()
                                                            : m_state.game->root();
    m_state.showLevelLine = true;
    gotoNode(target);
}

void GameController::gotoNode(CGameNode* node)
{
    // The engine stops before the game changes under it.
    stopEngine(false);
    m_state.whiteTimeUsed = 0;
    m_state.blackTimeUsed = 0;
    std::vector<CGameNode*> path;
    for (CGameNode* n = node; n && n->parent(); n = n->parent())
        path.push_back(n);
    std::reverse(path.begin(), path.end());

    m_state.board.setFromFen(startFen());
    // One rule for the whole program: plies are counted from this game's start.
    m_state.plyNumber = m_state.board.sideToMove() == kBlackSide ? 2 : 1;
    for (CGameNode* step : path) {
        addTime(step->isBlackMove(), step->time());
        m_state.board.makeMove(step->move());
        ++m_state.plyNumber;
    }
    m_state.currentNode = node;
    m_state.lastMove = node->parent() ? node->move() : NoMove;
    updateNavigationCommands();
    m_view.clearSelection();
    m_state.coachLastScore = kNoCoachScore;
    clearEngineOutput();
    ++m_state.lineSerial;
    m_state.ponderResultReady = false;
    m_state.moveStartTick = 0;
    m_view.redrawBoard();
    m_view.positionChanged(m_state.board);
}

// --- Coach ---------------------------------------------------------------------------------------

void GameController::forgetCoach()
{
    m_state.coachLastScore = kNoCoachScore;
    m_state.coachLastNode = nullptr;
    m_state.tappedMove = nullptr;
}

bool GameController::coachTakesBack(const SearchEnded& ended)
{
    int last = m_state.coachLastScore;
    int score = ended.info.score;
    CGameNode* node = m_state.currentNode;
    bool warn = m_options.coach && m_state.coachLastNode && last != kNoCoachScore &&
        last + kCoachJump < score && last < kCoachClearScore && score > -kCoachClearScore &&
        ended.info.moveCount > 1 && node->parent() == m_state.coachLastNode;
    if (!warn)
        return false;
    char text[256];
    Move reply = firstMove(m_state.board, ended.info.rawLine);
    if (reply != NoMove)
        std::snprintf(text, sizeof text,
            "I think after %s I can play %s now! Do you want to take back your move?",
            node->san().c_str(), sanOf(m_state.board, reply).c_str());
    else
        std::snprintf(text, sizeof text,
            "I don't think %s was a good move! Do you want to take it back?", node->san().c_str());
    m_sounds.questionBeep();
    const std::uint64_t serial = m_state.gameSerial;
    const bool takeBack = askYesNo("Coach warns", text, MessageIcon::Exclamation, true);
    // The engine's move belongs to a game that went while the box was open: none is played.
    if (m_state.gameSerial != serial)
        return true;
    if (!takeBack)
        return false;
    // The user's move goes, and with no continuation its node too: the coach's memory
    // may point to nothing after that, so it is forgotten.
    CGameNode* userNode = node;
    takeBackMove(true);
    if (m_state.currentNode == userNode->parent() && userNode->childCount() == 0) {
        m_state.currentNode->removeChild(userNode);
        m_state.game->setChanged(true);
        updateNavigationCommands();
    }
    forgetCoach();
    return true;
}

void GameController::updateCoachMemory(const SearchEnded& ended)
{
    // A single move to choose from (a book move reports one) tells nothing of the position.
    m_state.coachLastScore = ended.info.moveCount == 1 ? kNoCoachScore : ended.info.score;
    m_state.coachLastNode = m_state.currentNode;
}

// --- Hint and threat -----------------------------------------------------------------------------

bool GameController::guardHint()
{
    if (isEngineSearchingForMove()) {
        message(kHintWhileThinking);
        return false;
    }
    if (m_state.observeMode) {
        message(kHintWhileObserving);
        return false;
    }
    if (m_state.serverGameMode) {
        message(kHintOnServer);
        return false;
    }
    return true;
}

bool GameController::guardThreat()
{
    if (isEngineSearchingForMove()) {
        message(kThreatWhileThinking);
        return false;
    }
    if (m_state.serverGameMode) {
        message(kThreatOnServer);
        return false;
    }
    return true;
}

bool GameController::presentHelp(Move move, const Board& position, bool threat)
{
    if (move == NoMove)
        return false;
    m_sounds.AnnounceMoveFull(move);
    m_view.showMoveThereAndBack(move, sanOf(position, move), threat);
    return true;
}

Move GameController::showHint()
{
    if (!guardHint())
        return NoMove;
    if (m_state.autoReplay)
        stopReplayAndAnalysis();
    Board position = m_state.board;
    Move hint = NoMove;
    if (m_engine.isPondering()) {
        hint = m_state.ponderMove;
    } else if (m_state.analysisMode) {
        hint = firstMove(position, m_engine.snapshot().rawLine);
    } else if (m_state.trainingMode) {
        if (CGameNode* solution = m_state.currentNode->child(0))
            hint = solution->move();
    } else {
        std::optional<SearchInfo> found = m_engine.runHelpSearch(kSearchingHint, nullptr);
        if (!found)
            return NoMove;
        hint = firstMove(position, found->rawLine);
    }
    // Origin, target and promotion piece must make a legal move here.
    if (hint != NoMove && !position.isMoveLegal(hint))
        hint = NoMove;
    if (!presentHelp(hint, position, false))
        message("Sorry, no hint found.");
    return hint;
}

Move GameController::showThreat()
{
    if (!guardThreat())
        return NoMove;
    if (m_state.autoReplay)
        stopReplayAndAnalysis();
    if (m_engine.isPondering()) {
        stopEngine(false);
        forgetPonder();
        m_state.ponderMove = NoMove;
    }
    bool analysing = m_state.analysisMode;
    if (analysing && m_engine.isBusy())
        stopEngine(false);

    // The side to move passes: a move that then takes the king is the threat, no search
    // needed.
    Board passed = m_state.board;
    passed.makeMove(NullMove);
    Move threat = NoMove;
    MoveList moves;
    passed.allPseudoLegalMoves(moves);
    for (Move move : moves)
        if (move.isCapture() && (move.captured() & 7) == kKing) {
            threat = move;
            break;
        }
    if (threat == NoMove) {
        std::string fen = passedFen(m_state.board);
        std::optional<SearchInfo> found = m_engine.runHelpSearch(kSearchingThreat, &fen);
        if (!found)
            return NoMove;
        Board swapped(fen);
        threat = firstMove(swapped, found->rawLine);
        if (threat != NoMove && !swapped.isMoveLegal(threat))
            threat = NoMove;
    }
    if (!presentHelp(threat, passed, true))
        message("Sorry, no threat found.");
    if (analysing)
        restartAnalysis();
    return threat;
}

} // namespace velmorak
