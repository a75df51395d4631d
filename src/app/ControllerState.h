#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "record/CPgnGame.h"
#include "rules/Board.h"
#include "rules/Move.h"

namespace velmorak {

// A coach score meaning "none".
inline constexpr int kNoCoachScore = -32000;

// The game controller's state, held for the whole run. Everything here belongs to the
// interface thread; the engine thread touches only the engine driver's own flags
// (EngineDriver: engineBusy, ponderActive and the search ticks).
struct ControllerState {
    // The position of the current node.
    Board board;
    std::unique_ptr<CPgnGame> game;
    // The name (no folder) of the file `game` was read from; empty for a game begun here.
    std::string gameFile;
    CGameNode* currentNode = nullptr;
    // Half-move number of the move about to be made, counted from the start of this game:
    // 1 for White's first move, 2 when the game starts with Black to move.
    int plyNumber = 1;
    // The move that led to the current node; NoMove at the root.
    Move lastMove = NoMove;
    // Milliseconds each side has used in this game; never below 0.
    std::int64_t whiteTimeUsed = 0;
    std::int64_t blackTimeUsed = 0;
    // Tick at which the side to move began to think; 0 = not started.
    std::int64_t moveStartTick = 0;

    bool analysisMode = false;
    // A ponder search ended by itself before the user moved; its result waits for the
    // predicted move.
    bool ponderResultReady = false;
    // The move the engine expects the user to play.
    Move ponderMove = NoMove;
    // When the running search ends its best move is played; cleared by a stop whose result
    // is unwanted.
    bool playEngineResult = true;
    // The running search is a hint or threat search; its result is never played.
    bool hintSearchActive = false;
    // What the status panel shows while a hint or threat search runs ("Searching for hint
    // move...    "); empty otherwise.
    std::string helpSearchText;
    // Tick of the last accepted take-back, forward or analysis toggle while analysing.
    std::int64_t lastStepTick = 0;
    // Positions in a row in which the program's own book had no move.
    int bookMissCount = 0;
    bool trainingMode = false;
    bool observeMode = false;
    bool serverGameMode = false;
    int serverGameNumber = -1;
    bool autoReplay = false;
    bool replayEngineFinish = false;
    // The status panel shows the level line instead of the engine output.
    bool showLevelLine = true;
    // Message boxes and modal dialogs of the controller open right now (they may nest
    // where a front end runs an event loop inside a dialog).
    int modalMessageOpen = 0;
    // Counts the games the controller has held: a question answered after the game was
    // replaced must not go on with nodes it took from the old one.
    std::uint64_t gameSerial = 0;
    // Counts the jumps of the position other than a move played on the board: another game,
    // a take-back, a step forward or a replay step. The engine's lines shown until then
    // belong to positions no longer on the board.
    std::uint64_t lineSerial = 0;
    int coachLastScore = kNoCoachScore;
    CGameNode* coachLastNode = nullptr;
    // The move last tapped in the move list, for "Comment move"; forgotten with the coach's
    // memory, since both may name a node deleted since.
    CGameNode* tappedMove = nullptr;

    // What other parts of the program tell the controller.
    bool serverConnected = false;
    bool dgtConnected = false;
};

} // namespace velmorak
