#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace velmorak {

class DatabaseSession;

// The rows of the Games page: the list's order on display, narrowed by the quick filter on
// the players' names; while the file is still being indexed, the games indexed so far in
// file order (they are sorted once the index is complete).
//
// Rows hold game numbers (positions in the file). The session must outlive the rows, and
// refresh must run after every change of its list or its index before rows are read again.
class GamesList {
public:
    static constexpr int kColumnCount = 5;

    explicit GamesList(DatabaseSession& session);

    // Reads the rows again from the session's list. While indexing it only adds the games
    // indexed since the last call, so calling it on every tick costs little.
    void refresh();
    int rowCount() const;
    // The game number of a row; -1 outside the rows.
    int numberAt(int row) const;
    // The row showing game `number`; -1 when it is not shown.
    int rowOf(int number) const;
    // "No." (number + 1), White, Black, Event, Result of a row; empty texts outside the rows.
    std::array<std::string, kColumnCount> cells(int row) const;

    // A part of a player's name, in any letter case: only games in which White or Black
    // contains it are shown. An empty text shows every game on display.
    void setQuickFilter(std::string text);
    const std::string& quickFilter() const { return m_quick; }

private:
    void rebuildSorted();
    void addIndexed();

    DatabaseSession& m_session;
    std::string m_quick;
    std::vector<int> m_rows;
    // Whether m_rows were read while indexing (in file order) or from the finished list.
    bool m_fromIndexing = false;
    // How many indexed games m_rows were taken from while indexing.
    std::size_t m_scanned = 0;
};

} // namespace velmorak
