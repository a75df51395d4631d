#pragma once

#include <array>

#include "gui/ChessDialog.h"
#include "server/ServerLists.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeView;

namespace velmorak {
class ServerSession;
}

namespace velmorak::gui {

class ServerListModel;

// The server sheet: the Seek page (the user's own seek, a challenge to a player) and the four
// game lists, Sought, Observe, Adjourned and History, each fetched when its page comes up.
// A column click sorts a list by the session's rules, a double click runs the page's main
// action; loading or observing a game closes the sheet, and so does a game that begins.
class ServerSheetDialog : public ChessDialog {
public:
    enum Page { SeekPage, SoughtPage, ObservePage, AdjournedPage, HistoryPage };
    static constexpr int kPageCount = 5;

    ServerSheetDialog(
        QWidget* parent, GameController& controller, ServerSession& session, int startPage);
    ~ServerSheetDialog() override;

    int currentPage() const;
    // Shows what the lists hold now (the session read one while the sheet was open).
    void showList(ServerList list);
    void done(int result) override;

private:
    struct ListPage {
        QTreeView* view = nullptr;
        ServerListModel* model = nullptr;
    };

    QWidget* makeSeekPage();
    QWidget* makeListPage(ServerList list, QWidget* page);
    QWidget* makeSoughtPage();
    QWidget* makeObservePage();
    QWidget* makeAdjournedPage();
    QWidget* makeHistoryPage();
    QPushButton* addButton(QWidget* page, const QString& text, void (ServerSheetDialog::*action)());
    void pageChanged(int page);
    // Fetches what the current page shows.
    void fetchCurrent();
    void readSeekFields(const ServerSeekSettings& settings);
    ServerSeekSettings seekFields() const;
    void storeSeekFields();
    // Runs a session action that may wait for the server; true when it went out.
    template <typename Action> bool run(Action action);

    void startSeek();
    void stopSeek();
    void matchPlayer();
    void play();
    void observeOrStop();
    void continueAdjourned();
    void loadAdjourned();
    void resumeAny();
    void loadHistory();
    void updateList();
    void showObserveState();

    ServerSession& m_session;
    QTabWidget* m_tabs;
    std::array<ListPage, kServerListCount> m_lists {};
    QComboBox* m_colour = nullptr;
    QSpinBox* m_minutes = nullptr;
    QSpinBox* m_increment = nullptr;
    QSpinBox* m_ratingLow = nullptr;
    QSpinBox* m_ratingHigh = nullptr;
    QCheckBox* m_rated = nullptr;
    QCheckBox* m_manual = nullptr;
    QCheckBox* m_formula = nullptr;
    QComboBox* m_players = nullptr;
    QCheckBox* m_sortSeek = nullptr;
    QPushButton* m_observe = nullptr;
    int m_shownPage = -1;
    // An action waits for the server with the event loop running: a second one waits its
    // turn, and a page that came up meanwhile is fetched afterwards.
    bool m_busy = false;
    bool m_fetchAfter = false;
};

} // namespace velmorak::gui
