#pragma once

#include "gui/ChessDialog.h"
#include "present/CommandTable.h"

namespace velmorak::gui {

// "About...": the program, its hash table, engine and book (or the server login).
class AboutDialog : public ChessDialog {
public:
    AboutDialog(QWidget* parent, GameController& controller, const AboutTexts& texts);
};

} // namespace velmorak::gui
