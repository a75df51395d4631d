#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "PlayOptions.h"
#include "present/CommandDispatcher.h"
#include "present/FrontEndPort.h"

namespace velmorak {
class Clock;
class ControllerPrompts;
class EngineOutput;
class GameController;
class TaskQueue;
struct TypedLine;
} // namespace velmorak

namespace velmorak::cli {

class PlayOutput;

// The main loop of `velmorak-cli play` around a started controller: typed lines, handed in
// by the input thread through the task queue, run the controller's operations one at a
// time; the engine's reports become "info" lines, a running clock a "clock" line once a
// second; engine sides are set to move; the loop ends at quit, giving up a search on its
// way, or at the end of input (two engine sides: at the end of the game) once no engine
// move is still due.
//
// Typed lines run through the program's command dispatcher; this session serves what only a
// terminal does: quit, and print the board, the game and the status lines.
//
// Everything runs on the thread that calls run(), except postReport (any thread).
class PlaySession final : private FrontEndPort {
public:
    // All must outlive the session.
    PlaySession(GameController& controller, ControllerPrompts& prompts, TaskQueue& queue,
        PlayOutput& output, const Clock& clock, PlaySide white, PlaySide black);

    // Tasks for the queue: a typed line arrived; the input ended.
    void addLine(std::string line);
    void endInput();
    // Ends the session at once, an engine move on its way or not (the program was told to
    // end): the caller's exit stops the engine.
    void stop() { m_finished = true; }
    // Called each time a typed line is taken off the wait to be run (or refused).
    void setLineTakenHook(std::function<void()> hook) { m_lineTaken = std::move(hook); }
    // Makes every engine report print an "info" line when its line, score or depth is new.
    void watchEngine(EngineOutput& output);

    // Runs until the session is finished. The controller is left running: the caller ends it.
    void run();

private:
    void step();
    void runLines();
    void execute(const TypedLine& typed);
    // FrontEndPort
    bool serve(FrontEndRequest request) override;
    void moveEngineSide();
    bool isEngineSide(std::uint8_t side) const;
    bool bothEngines() const;
    void message(const std::string& text);
    void printClock();
    // "status LINE1 | LINE2"; unless `always`, only when the lines changed.
    void printStatus(bool always);

    GameController& m_controller;
    TaskQueue& m_queue;
    PlayOutput& m_output;
    const Clock& m_clock;
    PlaySide m_white;
    PlaySide m_black;
    CommandDispatcher m_dispatcher;

    std::deque<std::string> m_lines;
    std::function<void()> m_lineTaken;
    bool m_inputEnded = false;
    bool m_quitting = false;
    bool m_finished = false;
    // An engine side to move is to be set thinking: at the start, after a new game and,
    // with two engine sides, after each move.
    bool m_engineToMove = true;
    // Where the engine was last told to move, to notice an engine that gives no move.
    const void* m_engineAskedAt = nullptr;
    // After a "status" command, the panel's lines follow the engine's search.
    bool m_watchStatus = false;
    std::string m_lastStatus;
};

} // namespace velmorak::cli
