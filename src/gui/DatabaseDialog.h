#pragma once

#include <QTimer>
#include <memory>

#include "app/DatabaseSession.h"
#include "gui/ChessDialog.h"
#include "present/GamesList.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;

namespace velmorak {
class RegistrySettings;
}

namespace velmorak::gui {

class GamesTableModel;

// The database sheet ("Load game..."): the open database's games on four pages: "Games"
// (the list, sorted by a click on a column, narrowed by the filter or a player's name),
// "Info" and "Moves" (the selected game), "Find" (the filter). "Load game" (or a
// double-click, or Return on the list) makes the selected game the current one; Close
// leaves the game on the board as it is.
//
// A large file is indexed in the background: the list fills as games are indexed, with a
// progress bar and a Cancel button, and is sorted once the index is complete.
class DatabaseDialog : public ChessDialog {
public:
    DatabaseDialog(QWidget* parent, GameController& controller, RegistrySettings& settings);
    ~DatabaseDialog() override;

    QTabWidget* pages() const { return m_pages; }
    QTableView* gamesView() const { return m_table; }
    QLineEdit* playerFilter() const { return m_player; }
    QProgressBar* progressBar() const { return m_progress; }

    void accept() override;
    void reject() override;
    void settleForPicture() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeGamesPage();
    QWidget* makeInfoPage();
    QWidget* makeMovesPage();
    QWidget* makeFindPage();
    QSpinBox* makeNumberField(QWidget* page);

    // Every page shown again from the session (after a change of file, order or filter).
    void showAll();
    // "N games", or "N of M games" while a filter hides some.
    void showCount();
    // While the file is being indexed: the rows so far and the progress; the sorted list
    // once it is complete.
    void poll();
    void selectShownGame();
    void rowChosen();
    void showSelectedGame();
    void stepNumber(QSpinBox* field, int value);
    void pageChanged(int page);
    void readFindPage();
    void fillFindPage();
    CDatabaseFilter filterOnPage() const;
    void deleteGame(bool nameGame);
    void storeColumnWidths();
    void restoreColumnWidths();
    // Leaves the sheet; the game is handed over after the sheet has gone.
    void finish(bool load);

    DatabaseSession& m_session;
    RegistrySettings& m_settings;
    GamesList m_rows;
    GamesTableModel* m_model = nullptr;
    QTabWidget* m_pages = nullptr;
    int m_findPage = -1;
    int m_lastPage = 0;
    QTimer m_poll;

    // Games page
    QLineEdit* m_file = nullptr;
    QCheckBox* m_filterActive = nullptr;
    QLineEdit* m_player = nullptr;
    QTableView* m_table = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_count = nullptr;

    // Info page
    QLabel* m_infoFields[6] = {};
    QComboBox* m_infoTag = nullptr;
    QLabel* m_infoValue = nullptr;
    QSpinBox* m_infoNumber = nullptr;

    // Moves page
    QCheckBox* m_movesParts[3] = {};
    QSpinBox* m_movesNumber = nullptr;
    QPlainTextEdit* m_movesText = nullptr;

    // Find page
    QLineEdit* m_findText[4] = {};
    QSpinBox* m_yearFrom = nullptr;
    QSpinBox* m_yearTo = nullptr;
    QCheckBox* m_results[4] = {};
    QCheckBox* m_ignoreColor = nullptr;
    CDatabaseFilter m_filterOnEntry;
};

} // namespace velmorak::gui
