#include "gui/GamesTableModel.h"

#include "gui/QtText.h"

namespace velmorak::gui {

namespace {

const char* const kHeaders[GamesList::kColumnCount] = { "No.", "White", "Black", "Event",
    "Result" };

} // namespace

GamesTableModel::GamesTableModel(GamesList& rows, QObject* parent)
    : QAbstractTableModel(parent)
    , m_rows(rows)
    , m_shown(rows.rowCount())
{
}

int GamesTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

int GamesTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : GamesList::kColumnCount;
}

QVariant GamesTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole && index.column() == 0)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    return toQString(m_rows.cells(index.row())[std::size_t(index.column())]);
}

QVariant GamesTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= GamesList::kColumnCount)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}

void GamesTableModel::reload()
{
    beginResetModel();
    m_rows.refresh();
    m_shown = m_rows.rowCount();
    endResetModel();
}

void GamesTableModel::grow()
{
    m_rows.refresh();
    const int now = m_rows.rowCount();
    if (now < m_shown) {
        reload();
        return;
    }
    if (now == m_shown)
        return;
    beginInsertRows({}, m_shown, now - 1);
    m_shown = now;
    endInsertRows();
}

} // namespace velmorak::gui
