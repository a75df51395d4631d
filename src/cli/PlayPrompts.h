#pragma once

#include "app/ControllerPrompts.h"

namespace velmorak::cli {

class PlayOutput;

// Message boxes and questions of `velmorak-cli play`: each prints "message TITLE: TEXT"
// and is answered at once with the dialog's default button (Yes/No with the default the
// question names, OK for OK/Cancel, "Add main line" in the New line dialog, the main
// continuation in the Select line dialog).
class PlayPrompts : public ControllerPrompts {
public:
    explicit PlayPrompts(PlayOutput& output)
        : m_output(output)
    {
    }

    void showMessage(std::string_view title, std::string_view text, MessageIcon icon) override;
    bool askYesNo(
        std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) override;
    int selectLine(const CGameNode& at) override;
    NewLineChoice askNewLine(NewLineQuestion& question) override;
    bool askOkCancel(std::string_view title, std::string_view text) override;

private:
    void print(std::string_view title, std::string_view text);

    PlayOutput& m_output;
};

} // namespace velmorak::cli
