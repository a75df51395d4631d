#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AutosaveWriter.h"
#include "app/ClockDisplay.h"
#include "app/ControllerPrompts.h"
#include "app/ControllerState.h"
#include "app/ControllerView.h"
#include "app/DatabaseSession.h"
#include "app/EngineSession.h"
#include "app/EventPump.h"
#include "app/GameEndTexts.h"
#include "app/LevelRecord.h"
#include "app/ServerLink.h"
#include "app/TrainingSession.h"
#include "app/UiThread.h"
#include "base/Clock.h"
#include "engine/EnginePluginHost.h"
#include "record/CDatabase.h"
#include "record/TagCompletion.h"
#include "rules/GameEndCode.h"
#include "settings/AppSettings.h"
#include "settings/RegistrySettings.h"
#include "sound/MoveSounds.h"

namespace velmorak {

// Everything outside the core that the controller reaches, each through its port. All must
// outlive the controller.
struct ControllerServices {
    ControllerPrompts& prompts;
    ControllerView& view;
    UiThread& ui;
    // Runs the interface thread's work while the controller waits for a help search.
    EventPump& pump;
    Clock& clock;
    SettingsStore& store;
    RegistrySettings& settings;
    AppSettings& options;
    MoveSounds& sounds;
    TagCompletionSources& tagSources;
    // Where the autosave ring lives.
    std::string documentsFolder;
    // The settings key as the autosave thread sees it (CurrentAutosaveGame): a store object
    // of its own on the same key, used from that thread only.
    SettingsStore& autosaveStore;
    // Half of this is the most the engine's hash table may take; nullopt when unknown.
    std::function<std::optional<std::int64_t>()> availableMemoryKb;
    // Where the files shipped with the program are (the training file); empty for the
    // running program's data folder (dataDirectory()).
    std::string programFolder = {};
};

// Timers the controller arms through the clock port (the front end arms its own; the
// engine session kEngineResultTimer, the training kTrainingReplyTimer and
// kTrainingSolvedTimer).
inline constexpr Clock::TimerId kReplayTimer = 103;
// Watches the clocks while "Lose on time" is on.
inline constexpr Clock::TimerId kFlagTimer = 110;
inline constexpr int kFlagCheckMs = 250;
// While analysing, steps closer together than this are dropped: each restarts the engine.
inline constexpr std::int64_t kAnalysisStepMs = 1000;
// While observing, at most one of the server's moves is spoken in this time.
inline constexpr std::int64_t kServerAnnounceMs = 200;
// The coach speaks when the engine's score rose by more than this (centipawns)...
inline constexpr int kCoachJump = 230;
// ...unless either score is already this clear.
inline constexpr int kCoachClearScore = 642;
// The option the New line dialog's "Change default to" sets.
inline constexpr std::string_view kVariationModeOption = "IDC_CBVARIATIONMODE";

// The game controller: who moves, and what happens with every move. It keeps the game and
// the board in step, enters moves from the sides that produce them, charges the thinking
// time, has the view draw it, checks the end of the game, keeps the clocks, writes the
// autosave ring, and decides when the engine searches, ponders, stops or analyses.
//
// Sources of moves: a side's move comes from the user (userMove), the engine (its session
// hands a finished search back, EngineSession::Client) and, once they are attached, a
// server game or the DGT board. Each enters the game through enterSourceMove with its
// MoveSource, which names the mover for the sounds and the clocks; a source owns its own
// bookkeeping (the engine session its searches, the training its replies), never flags
// here.
//
// Threads: every call comes on the interface thread. The engine searches on its own thread;
// a search's end reaches the session as a task posted to the interface thread, and its move
// is played there, only when that search is still the current one and the flags allow it at
// that moment. Timer callbacks are posted the same way.
//
// Guards: each command first asks its guard; a refusing guard has shown its message (title
// "Velmorak", information icon) and the command does nothing.
class GameController : private EngineSession::Client {
public:
    explicit GameController(ControllerServices services);
    // Ends the engine thread; does not autosave (exit() does).
    ~GameController();
    GameController(const GameController&) = delete;
    GameController& operator=(const GameController&) = delete;

    // --- Start and exit --------------------------------------------------------------------------
    // The plug-in host whose loaded plug-in the engine thread drives; null or unloaded
    // means "no engine". Must outlive the controller.
    void setEngineHost(EnginePluginHost* host) { m_engine.setHost(host); }
    // Starts the engine thread with the hash size the options and the free memory allow
    // (a lowered size is stored back into the options). Shows "Can´t start engine thread.
    // Error #%d" when the thread cannot be created; false then or without a plug-in.
    bool startEngineThread() { return m_engine.startThread(); }
    void endEngineThread() { m_engine.endThread(); }
    // The exit sequence: observation, replay and analysis end, animations end, the engine
    // stops without result and its thread ends, the game is autosaved.
    void exit();

    // The server client when one is connected; null otherwise.
    void setServerLink(ServerLink* link) { m_server = link; }
    ServerLink* serverLink() const { return m_server; }

    // --- Moves -----------------------------------------------------------------------------------
    // Whether the board takes moves now (not while the engine searches for its own move);
    // in a server game it logs an engine still busy.
    bool moveInputAllowed() { return boardInputAllowed(); }
    // The engine's lines and the status panel are emptied ("Auto answer" off, before a user
    // move).
    void clearEngineOutput();
    // A dialog the front end holds open: while one is, the engine's move and the timers'
    // steps wait, as under the controller's own message boxes.
    class ModalDialogScope {
    public:
        explicit ModalDialogScope(GameController& controller)
            : m_state(controller.m_state)
        {
            ++m_state.modalMessageOpen;
        }
        ~ModalDialogScope() { --m_state.modalMessageOpen; }
        ModalDialogScope(const ModalDialogScope&) = delete;
        ModalDialogScope& operator=(const ModalDialogScope&) = delete;

    private:
        ControllerState& m_state;
    };

    // A move the user made on the board or on the DGT board; false when it was dropped or
    // refused. `dragged`: the piece already stands on its square, no animation.
    bool userMove(Move move, bool dragged);
    // Enters a move into the game and the board; false when refused (illegal, or "Add line"
    // cancelled). `timeMs` is the mover's thinking time.
    bool makeMove(Move move, std::int64_t timeMs, bool animate, bool byEngine);
    // A move from one of the game's sources, checked, entered, drawn and announced as that
    // source's (makeMove for the user and the engine). False when refused.
    bool enterSourceMove(MoveSource source, Move move, std::int64_t timeMs, bool animate)
    {
        return enterMoveFrom(source, move, timeMs, animate, true);
    }
    // "Move now!".
    void moveNow();

    // --- A game on a chess server (the server session) -------------------------------------
    // A move the server reports, entered as "Add main line" without a question: a child that
    // already holds it becomes the main continuation. `live`: reported as it is played (not
    // read from a move list): autosaved, sounded and drawn, except that nothing is drawn or
    // spoken under an open dialog and, while observing, at most one move is spoken every
    // 200 ms. False when the move is illegal here.
    bool enterServerMove(Move move, std::int64_t timeMs, bool live);
    // The server took `plies` half-moves back: taken back here without the take-back guard,
    // the game or the observation going on. Nothing for plies <= 0.
    void serverTakeBack(int plies);
    // The server's clock against ours: `deltaMs` more (or, negative, less) of a side's time
    // counts as used; the used time never falls below 0.
    void correctUsedTime(bool black, std::int64_t deltaMs);
    // The time the server gives for the current node's move.
    void setCurrentMoveTime(std::int64_t ms);
    // Tests the current position; shows, comments and records the result. Returns the code.
    GameEndCode checkGameEnd();
    // With "Lose on time" on, in a blitz or tournament game played here (no analysis,
    // training, replay or server): a side whose clock has run out loses. The game records it
    // (Result, Termination, a comment), the message says it, the engine stops and both clocks
    // stand. A decided game (Result other than "*") loses nobody. True when a side lost.
    bool checkFlag();

    // --- Navigation ------------------------------------------------------------------------------
    void takeBackMove(bool animate);
    void takeBackPlies(int count);
    void forwardMove();
    void forwardPlies(int count);
    void backToStart() { takeBackPlies(kAllPlies); }
    // A tap on a move of the move list: back to `node` when it is the current node or one
    // before it on the path from the root, under the guard of "Back to start".
    void takeBackToNode(const CGameNode* node);
    void forwardToEnd() { forwardPlies(kAllPlies); }
    // The move the "Comment move" dialog is for: the move last tapped in the move list, when
    // there is one, else the current node. The tap is forgotten once used.
    CGameNode* takeCommentTarget();
    // Deletes `line` with its continuations after the question "Delete line" asks for a long
    // one; the current node leaves the line first. False when nothing was deleted.
    bool deleteLine(CGameNode* line);
    // The Down and Up keys: to the previous or next branch point, at most 20 plies.
    void backToBranchPoint();
    void forwardToBranchPoint();
    // `file` names the file the game was read from (shown in the title), empty for others.
    void setGame(std::unique_ptr<CPgnGame> game, std::string file = {});
    void gotoNode(CGameNode* node);

    // --- Modes -----------------------------------------------------------------------------------
    void newGame(bool ask);
    // Before another game is loaded, stepped to or set up: refused (message shown) during a
    // server game, and silently while a box or dialog is open (the caller waits until it
    // closes); an observation ends, as for a new game.
    bool prepareGameChange();
    // Whether a box or dialog of the controller, or one the front end declared, is open.
    bool dialogOpen() const { return m_state.modalMessageOpen > 0; }
    // "Clear hashtables": refused with a message while the engine searches or ponders;
    // false then and without a running engine.
    bool clearHashTables();
    void toggleAnalysis();
    void setAnalysisMode(bool on);
    void startReplay();
    void stopReplayAndAnalysis();
    void SetServerGameMode(bool on, int gameNumber);
    void SetObserveMode(bool on, int gameNumber);

    // --- Training (TrainingSession) -------------------------------------------------------------
    void toggleTraining() { m_training.toggle(); }
    void setTraining(bool on) { m_training.setActive(on); }
    bool startTraining(const std::string& path, int index) { return m_training.start(path, index); }
    bool isTrainingStepDue() const { return m_training.isStepDue(); }
    // The open database, which training reads its positions from too.
    DatabaseSession& databases() { return m_databases; }

    // --- Coach, hint and threat -----------------------------------------------------------------
    // The "Hint" command: the move shown (spoken, drawn there and back, never played), or
    // NoMove when there is none (the message says so). A search for it keeps the interface
    // running (the event pump) while the game's own steps wait.
    Move showHint();
    // The "Show threat" command, likewise.
    Move showThreat();

    // --- Level -----------------------------------------------------------------------------------
    const LevelRecord& level() const { return m_level; }
    void loadLevel();
    void saveLevel();
    // The "Levels..." guard: warns during server play or observation and never refuses.
    void warnLevelChange();
    // A new level from the "Levels..." sheet or the command line. When it differs and the
    // engine searches for its own move, the search is cancelled without playing its result
    // (it is not restarted).
    void applyLevel(const LevelRecord& level);
    // "Lose on time" (read and written with the level): when on, a side whose clock runs
    // out in a blitz or tournament level loses. Off, the clocks stay at zero and play goes
    // on.
    bool loseOnTime() const { return m_loseOnTime; }
    void setLoseOnTime(bool on);

    // --- Autosave --------------------------------------------------------------------------------
    void autosaveGame();
    // Completes the current game's tags as a save does (the player names, the date).
    void completeTags();
    // The player names offered for White and Black: the device owner, the engine, the program.
    std::vector<std::string> knownPlayerNames();
    // Makes the autosaved game current; false when there is none.
    bool restoreAutosave();
    // Returns when the autosaves asked for so far are on disk.
    void waitForAutosave() { m_autosave.flush(); }
    // The outcome of the last autosave, once it is on disk: the slot, or why it failed.
    Result<int> lastAutosave() { return m_autosave.lastResult(); }

    // --- The engine ------------------------------------------------------------------------------
    void startSearch();
    void startPonder(Move predicted);
    void ponderHit() { m_engine.ponderHit(); }
    // Stops the engine; `playResult` false first gives the running search up, so its move
    // is never played; true returns at once, the move following as the search's end.
    void stopEngine(bool playResult) { m_engine.stop(playResult); }
    void clearEngineHashtables() { m_engine.clearHashtables(); }
    // Plays the first move of a finished search's line; false when nothing was played.
    bool playEngineMove(const SearchInfo& info, std::int64_t thinkingMs);

    // --- State -----------------------------------------------------------------------------------
    const ControllerState& state() const { return m_state; }
    ControllerPrompts& prompts() { return m_prompts; }
    const Board& board() const { return m_state.board; }
    CPgnGame& game() { return *m_state.game; }
    CGameNode* currentNode() const { return m_state.currentNode; }
    bool isEngineBusy() const { return m_engine.isBusy(); }
    bool isPondering() const { return m_engine.isPondering(); }
    // The engine searches for its own move (not pondering, not analysing, no hint).
    bool isEngineSearchingForMove() const { return m_engine.isSearchingForMove(); }
    // An engine move is still to come: a search whose move will be played, or a finished
    // one waiting for an animation or a message box.
    bool isEngineMoveDue() const { return m_engine.isMoveDue(); }
    const EngineDriver& engine() const { return m_engine.driver(); }
    // The options the controller follows; a change takes effect at the next move.
    AppSettings& options() { return m_options; }
    const AppSettings& options() const { return m_options; }
    // The plug-in host of the engine; null without one.
    const EnginePluginHost* engineHost() const { return m_engine.host(); }
    // The two clocks as shown, and their text.
    ClockParts clocks() const;
    std::string clockText(bool flipped, int layout) const;
    void setDgtClockTexts(const DgtClockTexts& texts) { m_dgtClock = texts; }
    const DgtClockTexts& dgtClockTexts() const { return m_dgtClock; }
    void setServerConnected(bool connected) { m_state.serverConnected = connected; }
    void setDgtConnected(bool connected) { m_state.dgtConnected = connected; }

    static constexpr int kAllPlies = 9999;

private:
    class CountedPrompts;
    friend class CountedPrompts;

    // Guards; a refusing guard has shown its message.
    bool guardNewGame();
    bool guardMoveNow();
    void handEngineTheSideToMove();
    bool guardForward();
    bool guardTakeBack(bool showMessage);
    bool guardAnalysis();
    bool guardReplay();
    bool boardInputAllowed();

    void message(std::string_view text, MessageIcon icon = MessageIcon::Information,
        std::string_view title = kProgramTitle);
    bool askYesNo(std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes);
    bool askOkCancel(std::string_view title, std::string_view text);

    // EngineSession::Client.
    void engineMoveFound(const SearchEnded& ended, std::int64_t thinkingMs) override;
    void ponderedMoveFound(const SearchInfo& info) override;
    void showMessage(std::string_view text, MessageIcon icon) override { message(text, icon); }
    // A search for the engine's move ended without a move to play, or with the engine
    // lost: the reason is shown, and when `searchAgain` the (restarted) engine searches once
    // more.
    void engineFailed(const std::string& reason, bool searchAgain);
    // The level inputs of a search for the side to move now, or after one more move.
    SearchLevelInputs levelInputs(bool afterPredictedMove) const;
    // Restarts the analysis on the position reached by a step.
    void restartAnalysis();
    // The analysis step rule: false when the step is to be dropped.
    bool acceptAnalysisStep();
    void forgetPonder();

    void unmakeOne();
    void makeForward(CGameNode* child);
    void afterForward(int plies);
    void afterTakeBack(bool animate, Move takenBack, int plies);
    void updateNavigationCommands();
    void addTime(bool black, std::int64_t ms);
    // enterSourceMove; `live` false for a server's move read from a move list: neither
    // autosaved, sounded nor drawn.
    bool enterMoveFrom(MoveSource source, Move move, std::int64_t timeMs, bool animate, bool live);
    std::string startFen() const;
    void setEmptyGame();

    void armTimer(Clock::TimerId id, int periodMs, bool periodic);
    void timerFired(Clock::TimerId id);
    void replayStep();
    int replayPeriodMs() const;
    void autosave(bool inMakeMove);
    TagCompletionRequest tagRequest(bool inMakeMove);
    // Shows why autosaves fail, when a failure waits to be told.
    void tellAutosaveFailure();

    // Coach: true when the user took the move back instead, or the game went while asking.
    bool coachTakesBack(const SearchEnded& ended);
    void updateCoachMemory(const SearchEnded& ended);
    bool guardHint();
    bool guardThreat();
    // Speaks and shows a hint or threat; false when `move` is none.
    bool presentHelp(Move move, const Board& position, bool threat);
    void forgetCoach();
    // Shows the end of the game and notes it in the current move's comment and the Result.
    void recordGameEnd(const GameEndTexts& texts, bool resultAlways);
    ClockInputs clockInputs() const;
    std::int64_t now() const { return m_clock.ticks(); }

    ControllerPrompts& m_prompts;
    ControllerView& m_view;
    UiThread& m_ui;
    Clock& m_clock;
    RegistrySettings& m_settings;
    AppSettings& m_options;
    MoveSounds& m_sounds;
    TagCompletionSources& m_tagSources;
    std::unique_ptr<CountedPrompts> m_linePrompts;

    ControllerState m_state;
    LevelRecord m_level;
    bool m_loseOnTime = false;
    // When a server's move was last spoken.
    std::int64_t m_lastServerAnnounce = 0;
    AutosaveWriter m_autosave;
    DgtClockTexts m_dgtClock;
    ServerLink* m_server = nullptr;
    EngineSession m_engine;
    DatabaseSession m_databases;
    TrainingSession m_training;
    // Where the engine last gave no move after it was lost and started again: it searches
    // once more there, not again and again.
    const CGameNode* m_retriedAt = nullptr;
    // Posted tasks and timers check this before touching a destroyed controller.
    std::shared_ptr<GameController*> m_alive;
};

} // namespace velmorak
