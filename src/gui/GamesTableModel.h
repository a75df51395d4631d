#pragma once

#include <QAbstractTableModel>

#include "present/GamesList.h"

namespace velmorak::gui {

// The Games page's table over the rows of a GamesList: "No.", "White", "Black", "Event",
// "Result". Texts are read when a row is painted, so a million rows cost nothing until
// scrolled to.
class GamesTableModel : public QAbstractTableModel {
public:
    GamesTableModel(GamesList& rows, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows read again from the list: in full after a change of order, filter or file.
    void reload();
    // While indexing: the rows indexed since the last call, added at the end.
    void grow();

private:
    GamesList& m_rows;
    int m_shown = 0;
};

} // namespace velmorak::gui
