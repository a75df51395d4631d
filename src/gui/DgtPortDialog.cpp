#include "gui/DgtPortDialog.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <set>

#include "app/Application.h"
#include "app/DgtPortChoice.h"
#include "app/OptionSheet.h"
#include "dgt/DgtDriver.h"
#include "gui/QtPrompts.h"
#include "gui/QtText.h"
#include "platform/PosixSerialPort.h"
#include "platform/SerialPortPaths.h"

namespace velmorak::gui {

namespace {

namespace fs = std::filesystem;

// Room for a by-id name, which carries the adapter's maker, model and serial number.
constexpr int kPathColumnChars = 56;
constexpr int kListRows = 8;

std::string deviceOf(const std::string& path)
{
    std::error_code error;
    fs::path device = fs::canonical(path, error);
    return error ? std::string() : device.string();
}

} // namespace

bool sameSerialDevice(const std::string& a, const std::string& b)
{
    const std::string device = deviceOf(a);
    return !device.empty() && device == deviceOf(b);
}

DgtPortDialog::DgtPortDialog(QWidget* parent, Application& application,
    std::function<Status(int option)> setOption, std::string devRoot)
    : ChessDialog(parent, application.controller(), QStringLiteral("Find DGT board"),
          "Velmorak.htm#DgtPorts")
    , m_app(application)
    , m_setOption(std::move(setOption))
    , m_devRoot(std::move(devRoot))
    , m_connected(application.dgtPortPath())
    , m_list(new QTreeWidget(this))
    , m_refresh(new QPushButton(QStringLiteral("&Refresh"), this))
    , m_autodetect(new QPushButton(QStringLiteral("&Autodetect"), this))
    , m_status(new QLabel(this))
{
    m_list->setObjectName(QStringLiteral("ports"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({ QStringLiteral("Port"), QStringLiteral("Device") });
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    const QFontMetrics metrics = m_list->fontMetrics();
    m_list->setColumnWidth(0, metrics.averageCharWidth() * kPathColumnChars);
    m_list->setMinimumSize(
        metrics.averageCharWidth() * (kPathColumnChars + 24), metrics.height() * (kListRows + 2));
    m_list->header()->setStretchLastSection(true);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_refresh->setToolTip(QStringLiteral("Lists the ports again, after a board was plugged in"));
    m_autodetect->setToolTip(
        QStringLiteral("Asks each port for a DGT board and selects the first that answers"));

    auto* label = new QLabel(QStringLiteral("&Ports:"), this);
    label->setBuddy(m_list);
    auto* side = new QVBoxLayout;
    side->addWidget(m_refresh);
    side->addWidget(m_autodetect);
    side->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    row->addLayout(side);
    body()->addWidget(label);
    body()->addLayout(row, 1);
    body()->addWidget(m_status);

    connect(m_refresh, &QPushButton::clicked, this, &DgtPortDialog::refresh);
    connect(m_autodetect, &QPushButton::clicked, this, &DgtPortDialog::autodetect);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &DgtPortDialog::updateButtons);
    // Return in the list is OK, not the first button beside it. Activation is not used:
    // Return would then accept twice, and some styles activate on a single click.
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    m_refresh->setAutoDefault(false);
    m_autodetect->setAutoDefault(false);
    buttons()->button(QDialogButtonBox::Ok)->setDefault(true);

    refresh();
    if (m_connected)
        select(*m_connected);
    showStatus(m_connected
            ? QStringLiteral("The board is connected on %1.").arg(toQString(*m_connected))
            : QStringLiteral("Choose the board's port, or let Autodetect find it."));
    putButtonsLastInTabOrder();
    m_list->setFocus();
}

void DgtPortDialog::refresh()
{
    const std::string selected = selectedPath();
    m_rows.clear();
    // A device entry may itself be a link (a udev rule's name): shown by what it leads to.
    for (SerialPortCandidate& candidate : listSerialPortCandidates(m_devRoot))
        m_rows.push_back({ candidate.path, deviceOf(candidate.path) });
    // The configured ports the listing does not name: missing ones can still be chosen, a
    // Bluetooth link is bound only when it is wanted.
    for (std::string& path : dgtPortPaths(m_app.settings()))
        if (std::none_of(
                m_rows.begin(), m_rows.end(), [&](const Row& r) { return r.path == path; }))
            m_rows.push_back({ path, deviceOf(path) });
    for (Row& row : m_rows)
        row.connected = m_connected && sameSerialDevice(row.path, *m_connected);

    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (const Row& row : m_rows) {
        QString device =
            row.device.empty() ? QStringLiteral("(not present)") : toQString(row.device);
        if (row.connected)
            device += QStringLiteral(" (connected)");
        auto* item = new QTreeWidgetItem(m_list, { toQString(row.path), device });
        // A by-id name can be longer than its column.
        item->setToolTip(0, toQString(row.path));
    }
    select(selected);
    updateButtons();
}

void DgtPortDialog::select(const std::string& path)
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].path == path) {
            m_list->setCurrentItem(m_list->topLevelItem(static_cast<int>(i)));
            return;
        }
}

std::string DgtPortDialog::selectedPath() const
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return {};
    const int index = m_list->indexOfTopLevelItem(item);
    return index < 0 ? std::string() : m_rows[static_cast<std::size_t>(index)].path;
}

void DgtPortDialog::autodetect()
{
    std::vector<std::string> present;
    for (const Row& row : m_rows)
        if (!row.device.empty())
            present.push_back(row.path);
    auto rowOf = [this](const std::string& path) -> const Row& {
        return *std::find_if(
            m_rows.begin(), m_rows.end(), [&](const Row& r) { return r.path == path; });
    };

    PosixSerialPort line;
    DgtDriver driver(line, systemClock());
    // A device listed twice (by its by-id link and by itself) gives the same answer twice.
    std::set<std::string> asked;
    std::optional<Error> refused;
    bool onConnected = false;
    setSearching(true);
    const std::optional<std::string> found = findDgtBoard(present, [&](const std::string& path) {
        const Row& row = rowOf(path);
        if (m_stop)
            return false;
        // Opening the line in use would cut the board off: it answers for itself.
        if (row.connected)
            return onConnected = true;
        if (!asked.insert(row.device).second)
            return false;
        showStatus(QStringLiteral("Asking %1...").arg(toQString(path)));
        QCoreApplication::processEvents();
        if (m_stop)
            return false;
        if (driver.probePort(path))
            return true;
        // A line that exists but cannot be opened has a reason worth telling: the group
        // that grants access, the program that holds it.
        if (const std::optional<Error>& failure = driver.probeOpenError();
            failure && failure->kind != ErrorKind::NotFound && !refused)
            refused = failure;
        return false;
    });
    setSearching(false);
    if (m_stop)
        return;
    if (found) {
        select(*found);
        showStatus(onConnected
                ? QStringLiteral("The DGT board is connected on %1.").arg(toQString(*found))
                : QStringLiteral("A DGT board answers on %1.").arg(toQString(*found)));
    } else if (refused) {
        showStatus(QStringLiteral("No DGT board answered: %1.").arg(toQString(refused->message)));
    } else {
        showStatus(QStringLiteral("No DGT board answered on any port."));
    }
}

void DgtPortDialog::setSearching(bool searching)
{
    m_searching = searching;
    m_list->setEnabled(!searching);
    m_refresh->setEnabled(!searching);
    m_autodetect->setEnabled(!searching);
    updateButtons();
    if (!searching && !m_stop)
        m_list->setFocus();
}

void DgtPortDialog::updateButtons()
{
    buttons()->button(QDialogButtonBox::Ok)->setEnabled(!m_searching && !selectedPath().empty());
}

void DgtPortDialog::showStatus(const QString& text)
{
    m_status->setText(text);
}

void DgtPortDialog::accept()
{
    const std::string path = selectedPath();
    if (m_searching || path.empty())
        return;
    const int port = chooseDgtPortPath(m_app.settings(), path, &sameSerialDevice);
    if (Status set = m_setOption(port + 1); !set)
        QtPrompts(this).showMessage(kProgramTitle, set.error().message, MessageIcon::Exclamation);
    QDialog::accept();
}

void DgtPortDialog::reject()
{
    // A search under way ends at its next port, once the dialog has closed.
    m_stop = true;
    QDialog::reject();
}

std::function<Status(int option)> dgtOptionSetter(
    Application& application, std::function<void()> changed)
{
    return [&application, changed = std::move(changed)](int option) {
        OptionSheet sheet(application);
        sheet.onChanged = [&changed](const OptionItem&) {
            if (changed)
                changed();
        };
        const OptionItem* item = sheet.find("IDC_CBDGT");
        if (!item)
            return Status(Error { ErrorKind::NotFound, "no DGT option" });
        return sheet.choose(*item, option);
    };
}

} // namespace velmorak::gui
