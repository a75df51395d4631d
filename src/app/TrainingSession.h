#pragma once

#include <memory>
#include <string>

#include "app/ControllerPrompts.h"
#include "app/ControllerState.h"
#include "app/ControllerView.h"
#include "app/DatabaseSession.h"
#include "app/UiThread.h"
#include "base/Clock.h"
#include "settings/RegistrySettings.h"

namespace velmorak {

class GameController;

inline constexpr Clock::TimerId kTrainingReplyTimer = 106;
inline constexpr Clock::TimerId kTrainingSolvedTimer = 107;

// Tactics training: positions from a PGN database, the user's moves judged against the main
// line and its accepted variations, the replies and "Solution found!". It drives the game
// through the controller (a position becomes the current game, a reply is a step forward)
// and keeps where the training stopped in the settings.
//
// Everything runs on the interface thread; the reply and the question come from timers
// kTrainingReplyTimer and kTrainingSolvedTimer, held back by an animation or an open box.
class TrainingSession {
public:
    struct Services {
        GameController& game;
        ControllerState& state;
        // The program's open database: training positions are its games.
        DatabaseSession& databases;
        ControllerPrompts& prompts;
        ControllerView& view;
        UiThread& ui;
        Clock& clock;
        RegistrySettings& settings;
        // The default training file is copied from the program's folder to the documents
        // folder.
        std::string documentsFolder;
        std::string programFolder;
    };

    // All services must outlive the session.
    explicit TrainingSession(Services services);
    ~TrainingSession();
    TrainingSession(const TrainingSession&) = delete;
    TrainingSession& operator=(const TrainingSession&) = delete;

    // The "Training" command: starts (asking whether to resume) or stops a training.
    void toggle();
    // Ends or marks a running training; ending it stores where it stopped.
    void setActive(bool on);
    // Starts a training at game `index` of the PGN file at `path`, without the resume
    // question; false (with the message shown) when no position could be loaded.
    bool start(const std::string& path, int index);
    // The user's move in a training: false when it was not a solution (the user is offered
    // a hint) or could not be made.
    bool userMove(Move move, bool dragged);
    // The reply or the "Solution found!" question is still to come.
    bool isStepDue() const { return m_stepDue; }

private:
    // Makes the game `offset` places on in the training database current and starts the
    // training there; false (message shown) when it cannot be read.
    bool loadPosition(int offset);
    void arm(Clock::TimerId id);
    void timerFired(Clock::TimerId id);
    void message(std::string_view text, std::string_view title);
    bool ask(std::string_view text);

    GameController& m_game;
    ControllerState& m_state;
    DatabaseSession& m_databases;
    ControllerPrompts& m_prompts;
    ControllerView& m_view;
    UiThread& m_ui;
    Clock& m_clock;
    RegistrySettings& m_settings;
    std::string m_documentsFolder;
    std::string m_programFolder;
    bool m_stepDue = false;
    // Timer tasks check this before touching a destroyed session.
    std::shared_ptr<TrainingSession*> m_alive;
};

} // namespace velmorak
