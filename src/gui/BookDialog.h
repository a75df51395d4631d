#pragma once

#include "gui/ChessDialog.h"
#include "present/BookChoice.h"

class QComboBox;
class QLabel;

namespace velmorak::gui {

// "Select book...": the program's book and the engine's book, each chosen or set to none,
// and the book mode. Every choice is stored at once (BookChoice), so the dialog only closes.
class BookDialog : public ChessDialog {
public:
    BookDialog(QWidget* parent, GameController& controller, RegistrySettings& settings);

private:
    void addBook(BookKind kind, const QString& title, const QString& choose, const QString& none);
    void chooseFile(BookKind kind);
    void showNames();

    BookChoice m_choice;
    QLabel* m_names[2] {};
    QComboBox* m_mode;
};

} // namespace velmorak::gui
