#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "record/GameTreeEditing.h"

namespace velmorak {

class CGameNode;

// The title of the program's windows and of its messages.
inline constexpr std::string_view kProgramTitle = "Velmorak";

enum class MessageIcon { Information, Exclamation, Question, Stop };

// The port through which the controller asks and tells the user: message boxes, questions
// and the modal dialogs it needs answered. Each call returns when the user has answered.
// The desktop program shows dialogs; the command line prints the text and answers with the
// dialog's default button; tests script the answers and record every title and text.
//
// Calls come on the interface thread only. A front end whose dialogs run a nested event
// loop may deliver posted tasks and timers meanwhile: the controller counts open boxes and
// holds back engine moves and replay steps until they are closed.
class ControllerPrompts : public LinePrompts {
public:
    // A message box with one OK button.
    virtual void showMessage(std::string_view title, std::string_view text, MessageIcon icon) = 0;
    // A Yes/No question; true for Yes. `defaultYes` names the default button.
    virtual bool askYesNo(
        std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) = 0;
    // The "Select line" dialog over the children of `at`: the index of the chosen one
    // (closing the dialog answers 0).
    virtual int selectLine(const CGameNode& at) = 0;
    // The file dialog for a PGN database ("Select database" opens a file, "New database",
    // with `create`, names one), filtered to ".pgn Database (*.pgn)": the chosen path, or
    // nullopt when the user cancels. Overwriting is the caller's question, not the dialog's.
    // A front end without file dialogs (the command line) never has a file chosen.
    virtual std::optional<std::string> chooseDatabaseFile(std::string_view title, bool create)
    {
        (void)title;
        (void)create;
        return std::nullopt;
    }
};

} // namespace velmorak
