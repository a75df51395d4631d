#pragma once

#include <string_view>

#include "present/FrontEndPort.h"

namespace velmorak {

class ControllerPrompts;
class GameController;
class ScreenView;
struct TypedLine;

// The one place where commands run, for every front end: menu items, command-bar buttons,
// layout buttons, keys and typed lines. A typed word that names a command runs that command,
// so "back" in `velmorak-cli play` and in the window's move field, the Left key and the
// "Take back move" button do the same. What only a front end can do goes through its port;
// a request the front end declines is answered with a message ("'board' is not available
// here"), never swallowed. After each command the screen, when there is one, shows the new
// command states.
//
// Messages go through the prompts port with the program's title. Interface thread only.
class CommandDispatcher {
public:
    // `screen`: the board on a screen, whose flip and command states the dispatcher keeps;
    // null for a front end without one ("Flip board" is then declined). All must outlive
    // the dispatcher.
    CommandDispatcher(GameController& controller, ControllerPrompts& prompts,
        FrontEndPort& frontEnd, ScreenView* screen = nullptr);

    // Runs command `id` as its menu item, button or key would. Ids the table lacks and
    // commands not built yet do nothing; whether a navigation step is possible is the
    // controller's guards' business, so a key pressed at the end of the game asks it too.
    void runCommand(int id);
    // Runs one line read by readTypedLine. A move is entered as the user's (animated where
    // the view animates).
    void runTyped(const TypedLine& typed);

private:
    void request(FrontEndRequest request, std::string_view name);
    void decline(std::string_view name);
    void message(std::string_view text);
    // A game or position from the front end's clipboard, handed over as a loaded game is.
    void paste(std::string_view name);
    void refresh();

    GameController& m_controller;
    ControllerPrompts& m_prompts;
    FrontEndPort& m_frontEnd;
    ScreenView* m_screen;
};

} // namespace velmorak
