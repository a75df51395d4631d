#pragma once

#include <string_view>

namespace velmorak {

// What only a window has around its board: a title, actions and buttons that show the
// commands' states, the status panel, the description a screen reader speaks. The screen
// view (ScreenView) drives it from the controller's calls; the window draws, and calls
// nothing back. Interface thread only.
class WindowChrome {
public:
    virtual ~WindowChrome() = default;
    virtual void setTitle(std::string_view title) = 0;
    // Every menu item, command-bar button and key of `command` shows this state; `checked`
    // matters only to checkable commands.
    virtual void showCommandState(int command, bool enabled, bool checked) = 0;
    // The layout buttons drawn on the board are to be repainted (a pressed one may have
    // changed).
    virtual void layoutButtonsChanged() = 0;
    // The status panel, the move list and the analysis list are to be redrawn.
    virtual void statusChanged() = 0;
    // The position changed: what was typed for the old one goes, the status is redrawn and
    // `description` ("Last move 1. e4. Black to move") is what the board now says of itself.
    virtual void positionChanged(std::string_view description) = 0;
};

} // namespace velmorak
