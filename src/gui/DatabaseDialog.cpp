#include "gui/DatabaseDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringListModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/GamesTableModel.h"
#include "gui/QtText.h"
#include "present/GameMovesText.h"
#include "settings/AppSettings.h"
#include "settings/RegistrySettings.h"

namespace velmorak::gui {

namespace {

constexpr int kPollMs = 50;
constexpr int kProgressSteps = 1000;
constexpr int kSheetTextWidth = 36;
constexpr std::string_view kColumnWidthsSetting = "IDC_GAMESLIST";
constexpr const char* kInfoLabels[6] = {
    "White:", "Black:", "Event:", "Site:", "Date:", "Result:"
};

QStringList toQStringList(const std::vector<std::string>& texts)
{
    QStringList list;
    list.reserve(qsizetype(texts.size()));
    for (const std::string& text : texts)
        list.push_back(toQString(text));
    return list;
}

std::string yearText(const QSpinBox* field)
{
    return field->value() == field->minimum() ? std::string() : std::to_string(field->value());
}

// A row of several widgets whose label's mnemonic goes to `buddy`.
void addRowFor(QFormLayout* form, const QString& label, QLayout* row, QWidget* buddy)
{
    auto* text = new QLabel(label);
    text->setBuddy(buddy);
    form->addRow(text, row);
}

void setYear(QSpinBox* field, const std::string& text)
{
    bool ok = false;
    const int year = QString::fromStdString(text).toInt(&ok);
    field->setValue(ok ? year : field->minimum());
}

} // namespace

DatabaseDialog::DatabaseDialog(
    QWidget* parent, GameController& controller, RegistrySettings& settings)
    : ChessDialog(parent, controller, QStringLiteral("Velmorak"), "Velmorak.htm#Database",
          QDialogButtonBox::Ok | QDialogButtonBox::Close)
    , m_session(controller.databases())
    , m_settings(settings)
    , m_rows(m_session)
{
    m_session.openSheet();
    m_session.offerReload();
    m_rows.refresh();
    buttons()->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Load game"));

    m_pages = new QTabWidget(this);
    m_pages->addTab(makeGamesPage(), QStringLiteral("&Games"));
    m_pages->addTab(makeInfoPage(), QStringLiteral("&Info"));
    m_pages->addTab(makeMovesPage(), QStringLiteral("&Moves"));
    m_findPage = m_pages->addTab(makeFindPage(), QStringLiteral("F&ind"));
    body()->addWidget(m_pages, 1);
    connect(m_pages, &QTabWidget::currentChanged, this, &DatabaseDialog::pageChanged);

    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &DatabaseDialog::poll);
    restoreColumnWidths();
    showAll();
    if (m_session.indexing())
        m_poll.start();
    m_table->setFocus();
    resize(sizeHint().expandedTo(QSize(640, 480)));
}

DatabaseDialog::~DatabaseDialog() = default;

// --- Games ---------------------------------------------------------------------------------------

QWidget* DatabaseDialog::makeGamesPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* fileRow = new QHBoxLayout;
    m_file = new QLineEdit(page);
    m_file->setReadOnly(true);
    m_file->setAccessibleName(QStringLiteral("Database file"));
    auto* choose = new QPushButton(QStringLiteral("..."), page);
    choose->setAccessibleName(QStringLiteral("Select database"));
    choose->setToolTip(QStringLiteral("Open another database"));
    auto* reload = new QPushButton(QStringLiteral("&Reload"), page);
    reload->setToolTip(QStringLiteral("Read the file again, as other programs left it"));
    m_filterActive = new QCheckBox(QStringLiteral("&Filter"), page);
    for (QPushButton* button : { choose, reload })
        button->setAutoDefault(false);
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(choose);
    fileRow->addWidget(reload);
    fileRow->addWidget(m_filterActive);
    layout->addLayout(fileRow);

    auto* playerRow = new QHBoxLayout;
    m_player = new QLineEdit(page);
    m_player->setPlaceholderText(QStringLiteral("Part of a player's name"));
    m_player->setClearButtonEnabled(true);
    auto* playerLabel = new QLabel(QStringLiteral("&Player:"), page);
    playerLabel->setBuddy(m_player);
    m_count = new QLabel(page);
    playerRow->addWidget(playerLabel);
    playerRow->addWidget(m_player, 1);
    playerRow->addWidget(m_count);
    layout->addLayout(playerRow);

    m_table = new QTableView(page);
    m_model = new GamesTableModel(m_rows, m_table);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    // Rows of one height let the view place a million of them without measuring each.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    // Events are the longest texts: their column takes what the others leave.
    m_table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_table->setAccessibleName(QStringLiteral("Games"));
    m_table->installEventFilter(this);
    layout->addWidget(m_table, 1);

    auto* progressRow = new QHBoxLayout;
    m_progress = new QProgressBar(page);
    m_progress->setRange(0, kProgressSteps);
    m_progress->setAccessibleName(QStringLiteral("Indexing the database"));
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), page);
    m_cancel->setAutoDefault(false);
    m_cancel->setToolTip(QStringLiteral("Stop reading the file"));
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_cancel);
    layout->addLayout(progressRow);

    connect(choose, &QPushButton::clicked, this, [this] {
        if (m_session.chooseAndOpen(true))
            m_poll.start();
        showAll();
    });
    connect(reload, &QPushButton::clicked, this, [this] {
        m_session.reload();
        if (m_session.indexing())
            m_poll.start();
        showAll();
    });
    connect(m_filterActive, &QCheckBox::toggled, this, [this](bool on) {
        if (on == m_session.list().filterActive())
            return;
        m_session.setFilterActive(on);
        showAll();
    });
    connect(m_player, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_rows.setQuickFilter(toBytes(text));
        m_model->reload();
        showCount();
        selectShownGame();
    });
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_session.sortBy(column);
        showAll();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &DatabaseDialog::rowChosen);
    connect(m_table, &QTableView::doubleClicked, this, [this] { accept(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_session.cancelOpen(); });
    return page;
}

void DatabaseDialog::showAll()
{
    m_file->setText(toQString(m_session.fileLabel()));
    m_file->setToolTip(
        m_session.isOpen() ? toQString(m_session.database().getFileName()) : QString());
    {
        const QSignalBlocker block(m_filterActive);
        m_filterActive->setChecked(m_session.list().filterActive());
    }
    const int mode = m_session.list().sortMode();
    {
        const QSignalBlocker block(m_table->horizontalHeader());
        m_table->horizontalHeader()->setSortIndicator(
            std::abs(mode) - 1, mode < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    m_model->reload();
    const bool indexing = m_session.indexing();
    m_progress->setVisible(indexing);
    m_cancel->setVisible(indexing);
    showCount();
    selectShownGame();
    if (m_pages->currentIndex() == 1 || m_pages->currentIndex() == 2)
        showSelectedGame();
}

void DatabaseDialog::showCount()
{
    qint64 all = m_session.indexing() ? m_session.indexProgress().games
                                      : qint64(m_session.database().getEntries().size());
    const qint64 shown = m_rows.rowCount();
    // While indexing, the rows lag the count by a batch: not a filter.
    if (m_session.indexing() && m_rows.quickFilter().empty())
        all = shown;
    m_count->setText(shown == all ? QStringLiteral("%1 games").arg(all)
                                  : QStringLiteral("%1 of %2 games").arg(shown).arg(all));
}

void DatabaseDialog::poll()
{
    if (!m_session.indexing()) {
        m_poll.stop();
        return;
    }
    if (m_session.finishOpen()) {
        m_poll.stop();
        showAll();
        return;
    }
    const IndexProgress progress = m_session.indexProgress();
    if (progress.bytesTotal > 0)
        m_progress->setValue(int(progress.bytesRead * kProgressSteps / progress.bytesTotal));
    const bool hadRows = m_model->rowCount() > 0;
    m_model->grow();
    showCount();
    // The first game is the one chosen until the user picks another.
    if (!hadRows && m_model->rowCount() > 0 && !m_table->selectionModel()->hasSelection())
        m_table->setCurrentIndex(m_model->index(0, 0));
}

void DatabaseDialog::selectShownGame()
{
    const QSignalBlocker block(m_table->selectionModel());
    const int row = m_rows.rowOf(m_session.list().selected());
    if (row < 0) {
        m_table->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_table->setCurrentIndex(index);
    m_table->selectRow(row);
    m_table->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void DatabaseDialog::rowChosen()
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    const int number = rows.isEmpty() ? -1 : m_rows.numberAt(rows.front().row());
    if (m_session.indexing())
        m_session.chooseWhileIndexing(number);
    else
        m_session.list().setSelected(number);
}

bool DatabaseDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            deleteGame(true);
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return ChessDialog::eventFilter(watched, event);
}

void DatabaseDialog::deleteGame(bool nameGame)
{
    if (m_session.deleteSelected(nameGame))
        showAll();
    else
        selectShownGame();
}

void DatabaseDialog::storeColumnWidths()
{
    QStringList widths;
    for (int column = 0; column < GamesList::kColumnCount; ++column)
        widths.push_back(QString::number(m_table->columnWidth(column)));
    m_settings.writeString(kColumnWidthsSetting, toBytes(widths.join(u',')));
}

void DatabaseDialog::restoreColumnWidths()
{
    std::string stored;
    m_settings.readString(kColumnWidthsSetting, stored);
    const QStringList widths = toQString(stored).split(u',');
    if (widths.size() != GamesList::kColumnCount) {
        const int em = m_table->fontMetrics().horizontalAdvance(u'M');
        const int defaults[GamesList::kColumnCount] = { 5 * em, 11 * em, 11 * em, 14 * em, 5 * em };
        for (int column = 0; column < GamesList::kColumnCount; ++column)
            m_table->setColumnWidth(column, defaults[column]);
        return;
    }
    for (int column = 0; column < GamesList::kColumnCount; ++column) {
        bool ok = false;
        const int width = widths[column].toInt(&ok);
        if (ok && width >= 8 && width <= 4000)
            m_table->setColumnWidth(column, width);
    }
}

// --- Info and Moves ------------------------------------------------------------------------------

QSpinBox* DatabaseDialog::makeNumberField(QWidget* page)
{
    auto* field = new QSpinBox(page);
    field->setRange(0, std::numeric_limits<int>::max());
    field->setSpecialValueText(QStringLiteral(" "));
    field->setAccessibleName(QStringLiteral("Game number"));
    field->setKeyboardTracking(false);
    connect(field, &QSpinBox::valueChanged, this,
        [this, field](int value) { stepNumber(field, value); });
    return field;
}

QWidget* DatabaseDialog::makeInfoPage()
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    for (int i = 0; i < 6; ++i) {
        m_infoFields[i] = new QLabel(page);
        m_infoFields[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromLatin1(kInfoLabels[i]), m_infoFields[i]);
    }
    m_infoTag = new QComboBox(page);
    m_infoTag->setAccessibleName(QStringLiteral("Other tags"));
    m_infoValue = new QLabel(page);
    auto* tagRow = new QHBoxLayout;
    tagRow->addWidget(m_infoTag);
    tagRow->addWidget(m_infoValue, 1);
    addRowFor(form, QStringLiteral("&Tag:"), tagRow, m_infoTag);
    m_infoNumber = makeNumberField(page);
    auto* remove = new QPushButton(QStringLiteral("&Delete game"), page);
    remove->setAutoDefault(false);
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(m_infoNumber);
    numberRow->addStretch(1);
    numberRow->addWidget(remove);
    addRowFor(form, QStringLiteral("&Nr.:"), numberRow, m_infoNumber);
    connect(m_infoTag, &QComboBox::currentIndexChanged, this,
        [this](int index) { m_infoValue->setText(m_infoTag->itemData(index).toString()); });
    connect(remove, &QPushButton::clicked, this, [this] { deleteGame(false); });
    return page;
}

QWidget* DatabaseDialog::makeMovesPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    const char* labels[3] = { "I&nfo", "&Comments", "&Lines" };
    const std::string_view names[3] = { "IDC_CBTAGS", "IDC_CBCOMMENTS", "IDC_CBVARIATIONS" };
    AppSettings& options = controller().options();
    bool* fields[3] = { &options.tags, &options.comments, &options.variations };
    for (int i = 0; i < 3; ++i) {
        m_movesParts[i] = new QCheckBox(QString::fromLatin1(labels[i]), page);
        m_movesParts[i]->setChecked(*fields[i]);
        row->addWidget(m_movesParts[i]);
        connect(m_movesParts[i], &QCheckBox::toggled, this,
            [this, field = fields[i], name = names[i]](bool on) {
                *field = on;
                if (const OptionSpec* option = AppSettings::find(name))
                    controller().options().saveOption(m_settings, *option);
                showSelectedGame();
            });
    }
    row->addStretch(1);
    row->addWidget(new QLabel(QStringLiteral("Nr.:"), page));
    m_movesNumber = makeNumberField(page);
    row->addWidget(m_movesNumber);
    layout->addLayout(row);
    m_movesText = new QPlainTextEdit(page);
    m_movesText->setReadOnly(true);
    m_movesText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_movesText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_movesText->setAccessibleName(QStringLiteral("Moves of the selected game"));
    layout->addWidget(m_movesText, 1);
    return page;
}

void DatabaseDialog::stepNumber(QSpinBox* field, int value)
{
    const int shown = m_session.list().selected() + 1;
    if (value != shown && !m_session.indexing()) {
        m_session.stepSelection(value - shown);
        selectShownGame();
    }
    showSelectedGame();
    const QSignalBlocker block(field);
    field->setValue(m_session.list().selected() + 1);
}

void DatabaseDialog::showSelectedGame()
{
    const int selected = m_session.indexing() ? -1 : m_session.list().selected();
    for (QSpinBox* field : { m_infoNumber, m_movesNumber }) {
        const QSignalBlocker block(field);
        field->setValue(selected + 1);
    }
    CPgnGame* game = selected < 0 ? nullptr : m_session.selectedGame();
    const std::vector<CDatabaseEntry>& entries = m_session.database().getEntries();
    const CDatabaseEntry* entry = selected >= 0 && std::size_t(selected) < entries.size()
        ? &entries[std::size_t(selected)]
        : nullptr;
    const EntryField shown[6] = { EntryField::White, EntryField::Black, EntryField::Event,
        EntryField::Site, EntryField::Date, EntryField::Result };
    for (int i = 0; i < 6; ++i)
        m_infoFields[i]->setText(entry ? toQString(entry->text(shown[i])) : QString());
    m_infoTag->clear();
    m_infoValue->clear();
    if (game)
        for (const TagPair& tag :
            game->tagsExcept({ "White", "Black", "Event", "Site", "Date", "Result" }))
            m_infoTag->addItem(toQString(tag.name), toQString(tag.value));
    if (!game) {
        m_movesText->setPlainText(
            selected < 0 ? QString() : QStringLiteral("Could not load game."));
        return;
    }
    const GameMovesText text(*game,
        GameMovesText::Parts { m_movesParts[0]->isChecked(), m_movesParts[1]->isChecked(),
            m_movesParts[2]->isChecked() },
        kSheetTextWidth);
    m_movesText->setPlainText(toQString(text.text()));
}

// --- Find ----------------------------------------------------------------------------------------

QWidget* DatabaseDialog::makeFindPage()
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    const char* labels[4] = { "&White:", "&Black:", "&Event:", "E&CO:" };
    for (int i = 0; i < 4; ++i) {
        m_findText[i] = new QLineEdit(page);
        m_findText[i]->setClearButtonEnabled(true);
        form->addRow(QString::fromLatin1(labels[i]), m_findText[i]);
    }
    auto* years = new QHBoxLayout;
    m_yearFrom = new QSpinBox(page);
    m_yearTo = new QSpinBox(page);
    for (QSpinBox* year : { m_yearFrom, m_yearTo }) {
        // Below the first year a field is empty: no bound.
        year->setRange(-1, 3000);
        year->setSpecialValueText(QStringLiteral(" "));
        years->addWidget(year);
    }
    m_yearFrom->setAccessibleName(QStringLiteral("Year from"));
    m_yearTo->setAccessibleName(QStringLiteral("Year to"));
    years->insertWidget(1, new QLabel(QStringLiteral("to"), page));
    years->addStretch(1);
    addRowFor(form, QStringLiteral("&Year from:"), years, m_yearFrom);
    auto* results = new QHBoxLayout;
    const char* resultLabels[4] = { "1-0", "1/2", "0-1", "*" };
    for (int i = 0; i < 4; ++i) {
        m_results[i] = new QCheckBox(QString::fromLatin1(resultLabels[i]), page);
        results->addWidget(m_results[i]);
    }
    results->addStretch(1);
    form->addRow(QStringLiteral("Result:"), results);
    m_ignoreColor = new QCheckBox(QStringLiteral("Ig&nore color"), page);
    auto* clear = new QPushButton(QStringLiteral("C&lear"), page);
    clear->setAutoDefault(false);
    auto* last = new QHBoxLayout;
    last->addWidget(m_ignoreColor);
    last->addStretch(1);
    last->addWidget(clear);
    form->addRow(last);
    connect(clear, &QPushButton::clicked, this, [this] {
        for (QLineEdit* field : m_findText)
            field->clear();
        m_yearFrom->setValue(m_yearFrom->minimum());
        m_yearTo->setValue(m_yearTo->minimum());
    });
    return page;
}

void DatabaseDialog::fillFindPage()
{
    m_filterOnEntry = m_session.list().filter();
    const CDatabaseFilter& filter = m_filterOnEntry;
    const std::string* texts[4] = { &filter.white, &filter.black, &filter.event, &filter.eco };
    for (int i = 0; i < 4; ++i)
        m_findText[i]->setText(toQString(*texts[i]));
    setYear(m_yearFrom, filter.yearFrom);
    setYear(m_yearTo, filter.yearTo);
    const bool flags[4] = { filter.win, filter.draw, filter.loss, filter.line };
    for (int i = 0; i < 4; ++i)
        m_results[i]->setChecked(flags[i]);
    m_ignoreColor->setChecked(filter.ignoreColor);
    if (m_session.indexing())
        return;
    const DistinctValues values = m_session.list().distinctValues();
    const std::vector<std::string>* lists[4] = { &values.white, &values.black, &values.event,
        &values.eco };
    for (int i = 0; i < 4; ++i) {
        auto* completer = new QCompleter(toQStringList(*lists[i]), m_findText[i]);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        m_findText[i]->setCompleter(completer);
    }
}

CDatabaseFilter DatabaseDialog::filterOnPage() const
{
    CDatabaseFilter filter = m_filterOnEntry;
    std::string* texts[4] = { &filter.white, &filter.black, &filter.event, &filter.eco };
    for (int i = 0; i < 4; ++i)
        *texts[i] = toBytes(m_findText[i]->text());
    filter.yearFrom = yearText(m_yearFrom);
    filter.yearTo = yearText(m_yearTo);
    bool* flags[4] = { &filter.win, &filter.draw, &filter.loss, &filter.line };
    for (int i = 0; i < 4; ++i)
        *flags[i] = m_results[i]->isChecked();
    filter.ignoreColor = m_ignoreColor->isChecked();
    return filter;
}

void DatabaseDialog::readFindPage()
{
    if (m_session.applyFilter(filterOnPage()))
        showAll();
}

void DatabaseDialog::pageChanged(int page)
{
    if (m_lastPage == m_findPage)
        readFindPage();
    m_lastPage = page;
    if (page == m_findPage)
        fillFindPage();
    else if (page == 1 || page == 2)
        showSelectedGame();
    else
        selectShownGame();
}

void DatabaseDialog::settleForPicture()
{
    m_session.settleOpen();
    showAll();
}

// --- Closing -------------------------------------------------------------------------------------

void DatabaseDialog::finish(bool load)
{
    m_poll.stop();
    if (m_pages->currentIndex() == m_findPage)
        readFindPage();
    storeColumnWidths();
    DatabaseSession& session = m_session;
    setAfterClose([&session, load] { session.closeSheet(load); });
}

void DatabaseDialog::accept()
{
    finish(true);
    ChessDialog::accept();
}

void DatabaseDialog::reject()
{
    finish(false);
    ChessDialog::reject();
}

} // namespace velmorak::gui
