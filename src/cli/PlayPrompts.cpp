#include "PlayPrompts.h"

#include <string>

#include "PlayOutput.h"
#include "record/CGameNode.h"

namespace velmorak::cli {

void PlayPrompts::print(std::string_view title, std::string_view text)
{
    m_output.line("message", std::string(title) + ": " + std::string(text));
}

void PlayPrompts::showMessage(std::string_view title, std::string_view text, MessageIcon)
{
    print(title, text);
}

bool PlayPrompts::askYesNo(
    std::string_view title, std::string_view text, MessageIcon, bool defaultYes)
{
    print(title, text);
    return defaultYes;
}

int PlayPrompts::selectLine(const CGameNode& at)
{
    std::string lines;
    for (int i = 0; i < at.childCount(); ++i)
        lines += (i > 0 ? ", " : "") + at.child(i)->label();
    print("Select line", lines);
    return 0;
}

NewLineChoice PlayPrompts::askNewLine(NewLineQuestion& question)
{
    print("Add line", question.label());
    return NewLineChoice::AddMainLine;
}

bool PlayPrompts::askOkCancel(std::string_view title, std::string_view text)
{
    print(title, text);
    return true;
}

} // namespace velmorak::cli
