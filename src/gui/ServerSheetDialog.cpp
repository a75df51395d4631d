#include "gui/ServerSheetDialog.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <string>
#include <utility>
#include <vector>

#include "app/ServerSession.h"
#include "gui/QtText.h"

namespace velmorak::gui {

// One game list as the session's lists show it: its rows are read again after every fetch
// and every sort, so the view never holds rows of its own.
class ServerListModel : public QAbstractTableModel {
public:
    ServerListModel(QStringList headers, QObject* parent)
        : QAbstractTableModel(parent)
        , m_headers(std::move(headers))
    {
    }

    void setRows(std::vector<std::vector<std::string>> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_headers.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const auto& row = m_rows[std::size_t(index.row())];
        const auto column = std::size_t(index.column());
        return column < row.size() ? toQString(row[column]) : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < m_headers.size())
            return m_headers[section];
        return {};
    }

private:
    QStringList m_headers;
    std::vector<std::vector<std::string>> m_rows;
};

namespace {

constexpr int kMaxMinutes = 999;
constexpr int kMaxRating = 9999;

// The manual's page of each page of the sheet.
constexpr std::string_view kPageHelp[] = {
    "Velmorak.htm#FICSSeek",
    "Velmorak.htm#SeekGames",
    "Velmorak.htm#FICSObserve",
    "Velmorak.htm#AdjournGames",
    "Velmorak.htm#HistoryGames",
};

ServerList listOfPage(int page)
{
    return ServerList(page - ServerSheetDialog::SoughtPage);
}

// The name of a player box entry, "name (rating)".
std::string playerName(const QString& entry)
{
    const QString trimmed = entry.trimmed();
    const qsizetype open = trimmed.indexOf(QLatin1String(" ("));
    return toBytes(open < 0 ? trimmed : trimmed.left(open));
}

} // namespace

ServerSheetDialog::ServerSheetDialog(
    QWidget* parent, GameController& controller, ServerSession& session, int startPage)
    : ChessDialog(
          parent, controller, QStringLiteral("Velmorak"), kPageHelp[0], QDialogButtonBox::Close)
    , m_session(session)
    , m_tabs(new QTabWidget(this))
{
    m_tabs->setObjectName(QStringLiteral("pages"));
    m_tabs->addTab(makeSeekPage(), QStringLiteral("S&eek"));
    m_tabs->addTab(makeSoughtPage(), QStringLiteral("So&ught"));
    m_tabs->addTab(makeObservePage(), QStringLiteral("Ob&serve"));
    m_tabs->addTab(makeAdjournedPage(), QStringLiteral("Ad&journed"));
    m_tabs->addTab(makeHistoryPage(), QStringLiteral("&History"));
    body()->addWidget(m_tabs);
    setMinimumWidth(fontMetrics().averageCharWidth() * 92);
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    readSeekFields(m_session.seekSettings());
    putButtonsLastInTabOrder();
    m_tabs->setCurrentIndex(std::clamp(startPage, 0, kPageCount - 1));
    connect(m_tabs, &QTabWidget::currentChanged, this, &ServerSheetDialog::pageChanged);
    m_shownPage = m_tabs->currentIndex();
    setHelpAnchor(kPageHelp[m_shownPage]);
    // The first page's list is fetched once the sheet shows: the fetch waits for the server.
    QTimer::singleShot(0, this, &ServerSheetDialog::fetchCurrent);
}

ServerSheetDialog::~ServerSheetDialog() = default;

int ServerSheetDialog::currentPage() const
{
    return m_tabs->currentIndex();
}

QPushButton* ServerSheetDialog::addButton(
    QWidget* page, const QString& text, void (ServerSheetDialog::*action)())
{
    auto* button = new QPushButton(text, page);
    connect(button, &QPushButton::clicked, this, action);
    return button;
}

QWidget* ServerSheetDialog::makeSeekPage()
{
    auto* page = new QWidget(this);
    m_colour = new QComboBox(page);
    m_colour->addItems(
        { QStringLiteral("Random"), QStringLiteral("White"), QStringLiteral("Black") });
    m_minutes = new QSpinBox(page);
    m_increment = new QSpinBox(page);
    for (QSpinBox* box : { m_minutes, m_increment })
        box->setRange(0, kMaxMinutes);
    m_ratingLow = new QSpinBox(page);
    m_ratingHigh = new QSpinBox(page);
    for (QSpinBox* box : { m_ratingLow, m_ratingHigh })
        box->setRange(0, kMaxRating);
    // The range never turns inside out: the other end follows.
    connect(m_ratingLow, &QSpinBox::valueChanged, this, [this](int low) {
        if (low > m_ratingHigh->value())
            m_ratingHigh->setValue(low);
    });
    connect(m_ratingHigh, &QSpinBox::valueChanged, this, [this](int high) {
        if (high < m_ratingLow->value())
            m_ratingLow->setValue(high);
    });
    m_rated = new QCheckBox(QStringLiteral("&Rated"), page);
    m_manual = new QCheckBox(QStringLiteral("&Manual start"), page);
    m_formula = new QCheckBox(QStringLiteral("&Formula"), page);
    m_players = new QComboBox(page);
    m_players->setEditable(true);
    m_players->setInsertPolicy(QComboBox::NoInsert);
    m_players->setObjectName(QStringLiteral("players"));
    m_players->setMinimumContentsLength(16);
    m_players->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    auto* form = new QFormLayout;
    auto addRow = [&](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, page);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    addRow(QStringLiteral("&Colour:"), m_colour);
    auto* time = new QHBoxLayout;
    time->addWidget(m_minutes);
    auto* plus = new QLabel(QStringLiteral("+ &increment"), page);
    plus->setBuddy(m_increment);
    time->addWidget(plus);
    time->addWidget(m_increment);
    auto* minutes = new QLabel(QStringLiteral("Mi&nutes:"), page);
    minutes->setBuddy(m_minutes);
    form->addRow(minutes, time);
    auto* range = new QHBoxLayout;
    range->addWidget(m_ratingLow);
    auto* to = new QLabel(QStringLiteral("t&o"), page);
    to->setBuddy(m_ratingHigh);
    range->addWidget(to);
    range->addWidget(m_ratingHigh);
    auto* rating = new QLabel(QStringLiteral("Opponent's ra&ting from:"), page);
    rating->setBuddy(m_ratingLow);
    form->addRow(rating, range);
    auto* checks = new QHBoxLayout;
    for (QCheckBox* box : { m_rated, m_manual, m_formula })
        checks->addWidget(box);
    form->addRow(checks);
    auto* seekButtons = new QHBoxLayout;
    seekButtons->addWidget(
        addButton(page, QStringLiteral("Start see&k"), &ServerSheetDialog::startSeek));
    seekButtons->addWidget(
        addButton(page, QStringLiteral("Sto&p seek"), &ServerSheetDialog::stopSeek));
    form->addRow(seekButtons);
    auto* match = new QHBoxLayout;
    match->addWidget(m_players, 1);
    auto* challenge = addButton(page, QStringLiteral("M&atch"), &ServerSheetDialog::matchPlayer);
    challenge->setToolTip(QStringLiteral("Challenge selected player"));
    match->addWidget(challenge);
    auto* player = new QLabel(QStringLiteral("P&layer:"), page);
    player->setBuddy(m_players);
    form->addRow(player, match);
    page->setLayout(form);
    return page;
}

QWidget* ServerSheetDialog::makeListPage(ServerList list, QWidget* page)
{
    static const QStringList kHeaders[] = {
        { QStringLiteral("Name"), QStringLiteral("Time/Incr."), QStringLiteral("Mode"),
            QStringLiteral("Color"), QStringLiteral("Rating"), QStringLiteral("Man.") },
        { QStringLiteral("No."), QStringLiteral("White"), QStringLiteral("Black"),
            QStringLiteral("Mode") },
        { QStringLiteral("Color"), QStringLiteral("Name"), QStringLiteral("Status"),
            QStringLiteral("Mode") },
        { QStringLiteral("Result"), QStringLiteral("Color"), QStringLiteral("Name"),
            QStringLiteral("Rating") },
    };
    ListPage& shown = m_lists[std::size_t(list)];
    shown.model = new ServerListModel(kHeaders[std::size_t(list)], this);
    shown.view = new QTreeView(page);
    shown.view->setObjectName(QStringLiteral("list%1").arg(int(list)));
    shown.view->setModel(shown.model);
    shown.view->setRootIsDecorated(false);
    shown.view->setUniformRowHeights(true);
    shown.view->setAllColumnsShowFocus(true);
    shown.view->setSelectionBehavior(QAbstractItemView::SelectRows);
    shown.view->setSelectionMode(QAbstractItemView::SingleSelection);
    shown.view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    shown.view->header()->setSectionsClickable(true);
    shown.view->header()->setSortIndicatorShown(false);
    shown.view->header()->setStretchLastSection(true);
    // Every column in view at the sheet's own width; the texts widen them once they come.
    shown.view->header()->setDefaultSectionSize(fontMetrics().averageCharWidth() * 11);
    connect(shown.view->header(), &QHeaderView::sectionClicked, this, [this, list](int column) {
        m_session.lists().clickColumn(list, column);
        if (list == ServerList::Seeks)
            m_sortSeek->setChecked(m_session.lists().sortSeek());
        showList(list);
    });
    connect(shown.view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this, list](const QModelIndex& current) {
            if (current.isValid())
                m_session.lists().select(list, current.row());
        });
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(shown.view, 1);
    return page;
}

QWidget* ServerSheetDialog::makeSoughtPage()
{
    auto* page = makeListPage(ServerList::Seeks, new QWidget(this));
    auto* row = new QHBoxLayout;
    row->addWidget(addButton(page, QStringLiteral("&Play"), &ServerSheetDialog::play));
    row->addWidget(addButton(page, QStringLiteral("Up&date list"), &ServerSheetDialog::updateList));
    m_sortSeek = new QCheckBox(QStringLiteral("Sor&t seek"), page);
    m_sortSeek->setChecked(m_session.lists().sortSeek());
    connect(m_sortSeek, &QCheckBox::clicked, this, [this](bool on) {
        m_session.lists().setSortSeek(on);
        updateList();
    });
    row->addWidget(m_sortSeek);
    row->addStretch(1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
    connect(m_lists[0].view, &QTreeView::activated, this, &ServerSheetDialog::play);
    return page;
}

QWidget* ServerSheetDialog::makeObservePage()
{
    auto* page = makeListPage(ServerList::Observe, new QWidget(this));
    auto* row = new QHBoxLayout;
    m_observe =
        addButton(page, QStringLiteral("Start &observe"), &ServerSheetDialog::observeOrStop);
    row->addWidget(m_observe);
    row->addWidget(addButton(page, QStringLiteral("Up&date list"), &ServerSheetDialog::updateList));
    row->addStretch(1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
    connect(m_lists[1].view, &QTreeView::activated, this, &ServerSheetDialog::observeOrStop);
    return page;
}

QWidget* ServerSheetDialog::makeAdjournedPage()
{
    auto* page = makeListPage(ServerList::Adjourned, new QWidget(this));
    auto* row = new QHBoxLayout;
    row->addWidget(addButton(page, QStringLiteral("&Resume any"), &ServerSheetDialog::resumeAny));
    auto* match = addButton(page, QStringLiteral("M&atch"), &ServerSheetDialog::continueAdjourned);
    match->setToolTip(QStringLiteral("Continue selected game"));
    row->addWidget(match);
    row->addWidget(
        addButton(page, QStringLiteral("&Load game"), &ServerSheetDialog::loadAdjourned));
    row->addWidget(addButton(page, QStringLiteral("Up&date list"), &ServerSheetDialog::updateList));
    row->addStretch(1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
    connect(m_lists[2].view, &QTreeView::activated, this, &ServerSheetDialog::continueAdjourned);
    return page;
}

QWidget* ServerSheetDialog::makeHistoryPage()
{
    auto* page = makeListPage(ServerList::History, new QWidget(this));
    auto* row = new QHBoxLayout;
    row->addWidget(addButton(page, QStringLiteral("&Load game"), &ServerSheetDialog::loadHistory));
    row->addWidget(addButton(page, QStringLiteral("Up&date list"), &ServerSheetDialog::updateList));
    row->addStretch(1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
    connect(m_lists[3].view, &QTreeView::activated, this, &ServerSheetDialog::loadHistory);
    return page;
}

void ServerSheetDialog::showList(ServerList list)
{
    ListPage& shown = m_lists[std::size_t(list)];
    ServerLists& lists = m_session.lists();
    shown.model->setRows(lists.rows(list));
    if (shown.model->rowCount() > 0)
        for (int column = 0; column + 1 < shown.model->columnCount(); ++column)
            shown.view->resizeColumnToContents(column);
    // The model's reset took the selection; the session's is the one actions use.
    if (const int selected = lists.selection(list); selected >= 0) {
        const QModelIndex index = shown.model->index(selected, 0);
        shown.view->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    if (list == ServerList::Observe)
        showObserveState();
}

void ServerSheetDialog::pageChanged(int page)
{
    if (m_shownPage == SeekPage)
        storeSeekFields();
    m_shownPage = page;
    setHelpAnchor(kPageHelp[page]);
    fetchCurrent();
    // A page chosen from the keyboard is used from the keyboard: its list takes the keys,
    // once the tab bar that took the mnemonic has taken the focus for itself.
    if (page != SeekPage)
        QTimer::singleShot(0, this, [this, page] {
            if (currentPage() == page)
                m_lists[std::size_t(listOfPage(page))].view->setFocus();
        });
}

void ServerSheetDialog::fetchCurrent()
{
    if (m_busy) {
        m_fetchAfter = true;
        return;
    }
    const int page = currentPage();
    if (page == SeekPage) {
        run([this] { return m_session.requestWho(); });
        const QString typed = m_players->currentText();
        m_players->clear();
        for (const std::string& entry : m_session.lists().whoList())
            m_players->addItem(toQString(entry));
        m_players->setEditText(typed);
        return;
    }
    updateList();
}

template <typename Action> bool ServerSheetDialog::run(Action action)
{
    if (m_busy || !isVisible())
        return false;
    m_busy = true;
    const bool done = action();
    m_busy = false;
    if (std::exchange(m_fetchAfter, false))
        QTimer::singleShot(0, this, &ServerSheetDialog::fetchCurrent);
    return done;
}

void ServerSheetDialog::updateList()
{
    const int page = currentPage();
    if (page == SeekPage)
        return;
    const ServerList list = listOfPage(page);
    run([this, list] { return m_session.requestList(list); });
    if (isVisible())
        showList(list);
}

void ServerSheetDialog::readSeekFields(const ServerSeekSettings& settings)
{
    m_colour->setCurrentIndex(std::clamp(settings.colour, 0, 2));
    m_minutes->setValue(settings.minutes);
    m_increment->setValue(settings.increment);
    m_ratingHigh->setValue(settings.ratingHigh);
    m_ratingLow->setValue(settings.ratingLow);
    m_rated->setChecked(settings.rated);
    m_manual->setChecked(settings.manual);
    m_formula->setChecked(settings.formula);
}

ServerSeekSettings ServerSheetDialog::seekFields() const
{
    ServerSeekSettings settings;
    settings.colour = m_colour->currentIndex();
    settings.minutes = m_minutes->value();
    settings.increment = m_increment->value();
    settings.ratingLow = m_ratingLow->value();
    settings.ratingHigh = m_ratingHigh->value();
    settings.rated = m_rated->isChecked();
    settings.manual = m_manual->isChecked();
    settings.formula = m_formula->isChecked();
    return settings;
}

void ServerSheetDialog::storeSeekFields()
{
    m_session.storeSeekSettings(seekFields());
}

void ServerSheetDialog::startSeek()
{
    storeSeekFields();
    run([this] { return m_session.seek(); });
}

void ServerSheetDialog::stopSeek()
{
    run([this] { return m_session.unseek(); });
}

void ServerSheetDialog::matchPlayer()
{
    const std::string name = playerName(m_players->currentText());
    run([this, &name] { return m_session.match(name); });
}

void ServerSheetDialog::play()
{
    run([this] { return m_session.playSelected(); });
}

void ServerSheetDialog::observeOrStop()
{
    if (controller().state().observeMode) {
        run([this] { return m_session.unobserve(); });
        showObserveState();
        return;
    }
    if (run([this] { return m_session.observeSelected(); }) && isVisible())
        accept();
}

void ServerSheetDialog::continueAdjourned()
{
    run([this] { return m_session.continueSelectedAdjourned(); });
}

void ServerSheetDialog::loadAdjourned()
{
    // A failed load leaves the sheet open with its message.
    if (run([this] { return m_session.loadSelectedAdjourned(); }) && isVisible())
        accept();
}

void ServerSheetDialog::resumeAny()
{
    run([this] { return m_session.resumeAny(); });
}

void ServerSheetDialog::loadHistory()
{
    if (run([this] { return m_session.loadSelectedHistory(); }) && isVisible())
        accept();
}

void ServerSheetDialog::showObserveState()
{
    m_observe->setText(controller().state().observeMode ? QStringLiteral("Stop &observe")
                                                        : QStringLiteral("Start &observe"));
}

void ServerSheetDialog::done(int result)
{
    // A fetch runs the event loop inside the sheet's: the sheet stays until it has ended.
    if (m_busy) {
        QTimer::singleShot(50, this, [this, result] { done(result); });
        return;
    }
    if (currentPage() == SeekPage)
        storeSeekFields();
    ChessDialog::done(result);
}

} // namespace velmorak::gui
