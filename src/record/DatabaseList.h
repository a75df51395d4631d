#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CDatabase.h"
#include "CDatabaseFilter.h"
#include "CPgnGame.h"

namespace velmorak {

class RegistrySettings;

// The distinct texts of an index for the filter page's drop-down lists, each sorted by
// plain byte comparison and cut to kMaxDisplayLength characters.
struct DistinctValues {
    static constexpr std::size_t kMaxDisplayLength = 511;
    std::vector<std::string> white;
    std::vector<std::string> black;
    std::vector<std::string> event;
    std::vector<std::string> eco;
};

// The list of games the database dialogs show: the whole index or the games that match the
// filter, sorted by number, White, Black, Event or Result in either direction, with the
// selected game kept across refreshes. Works on the index entries alone.
//
// The filter and filterActive persist in the settings (loadFilter/saveFilter); sortMode is
// the caller's (the program keeps it as the option nDatabaseSortMode).
class DatabaseList {
public:
    // Both must outlive the list; settings may be null (then nothing is loaded or saved).
    DatabaseList(const CDatabase& database, RegistrySettings* settings);

    CDatabaseFilter& filter() { return m_filter; }
    bool filterActive() const { return m_filterActive; }
    void setFilterActive(bool active) { m_filterActive = active; }
    int sortMode() const { return m_sortMode; }
    // 1 number, 2 White, 3 Black, 4 Event, 5 Result; negative for descending order.
    void setSortMode(int mode) { m_sortMode = mode; }
    const std::vector<int>& fullOrder() const { return m_fullOrder; }
    const std::vector<CDatabaseEntry>& result() const { return m_result; }
    const std::vector<int>& resultOrder() const { return m_resultOrder; }
    // The order on display: resultOrder while the filter is active, else fullOrder.
    const std::vector<int>& displayOrder() const
    {
        return m_filterActive ? m_resultOrder : m_fullOrder;
    }
    int selected() const { return m_selected; }
    void setSelected(int number) { m_selected = number; }

    // The game shown on the Info and Moves pages, cached by the dialogs; resetList drops it.
    std::unique_ptr<CPgnGame>& cachedGame() { return m_cachedGame; }

    void loadFilter();
    void saveFilter();
    // Loads the filter, searches, sorts the result and repairs the selection.
    void refreshList();
    // After (re)opening the database or deleting a game: sorts all entries, selects the
    // first, drops the cached game, then refreshList.
    void resetList();
    // Column 0 to 4 (No., White, Black, Event, Result): a second click on the same column
    // reverses the order.
    void sortBy(int column);
    // Moves the selection by d places in the order on display, wrapping around; true when
    // it wrapped.
    bool stepSelection(int d);
    DistinctValues distinctValues() const;

    // Sorts game numbers of the database's index by the key of a sort mode.
    void sortOrder(std::vector<int>& order, int mode) const;

private:
    void repairSelection();

    const CDatabase* m_database;
    RegistrySettings* m_settings;
    CDatabaseFilter m_filter;
    bool m_filterActive = false;
    int m_sortMode = 1;
    std::vector<int> m_fullOrder;
    std::vector<CDatabaseEntry> m_result;
    std::vector<int> m_resultOrder;
    int m_selected = -1;
    std::unique_ptr<CPgnGame> m_cachedGame;
};

} // namespace velmorak
