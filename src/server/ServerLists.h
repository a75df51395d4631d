#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "server/ServerDialect.h"
#include "server/ServerDispatcher.h"
#include "server/ServerGameKind.h"
#include "server/ServerLineHandler.h"

namespace velmorak {

class ServerCommandSink;
class AppSettings;

// The four game lists of the server sheet.
enum class ServerList { Seeks, Observe, Adjourned, History };
inline constexpr int kServerListCount = 4;

// One row of a game list. What the fields hold depends on the list:
//   seeks:     seek number, seeker, rating; kind, terms, colour wanted, range, manual, formula
//   observe:   game number, White, White's rating, Black (secondText), Black's rating
//   adjourned: list number, opponent, -, online marker (secondText); colour = the user's
//   history:   list number, opponent, opponent's rating, result (secondText); colour = the user's
struct ServerListEntry {
    int number = 0;
    std::string name;
    int rating = 0;
    std::string secondText;
    int secondNumber = 0;
    GameKindRecord kind;
};

// The user's seek settings, against which the seeks of others are ranked.
struct ServerSeekSettings {
    int colour = 0; // 0 random, 1 white, 2 black
    int minutes = 2;
    int increment = 12;
    int ratingLow = 0;
    int ratingHigh = 9999;
    bool rated = false;
    bool manual = false;
    bool formula = false;

    static ServerSeekSettings from(const AppSettings& settings);
    // Writes the settings back where from() reads them.
    void storeIn(AppSettings& settings) const;
};

// The stored sort mode of a list, or its default when the stored one names no order.
int sortModeOrDefault(ServerList list, int mode);
// The sort mode a click on `column` (from 0) picks after `mode`: the column's first order,
// or the next in its cycle when `mode` is already one of them.
int nextSortMode(ServerList list, int column, int mode);

// How far a seek is from what the user seeks himself: smaller is better.
long long seekSuitability(const ServerListEntry& seek, const ServerSeekSettings& settings);
// Sorts one list by `mode` (negative: reversed).
void sortServerList(ServerList list, std::vector<ServerListEntry>& entries, int mode,
    const ServerSeekSettings& settings);

// The texts of a row as the list dialog shows them, one per column.
std::vector<std::string> serverListColumns(
    ServerList list, const ServerListEntry& entry, const ServerDialect& dialect);

// Takes the player entries of a line of the player list into `names` as "name (rating)"
// (only players whose status is "." or a blank); true when the line read as entries to its
// end and at least one was taken.
bool readWhoEntries(std::string_view line, std::vector<std::string>& names);

// The five lists the server sheet shows: filled from the recognised lines, sorted, and each
// with the user's selection, which any change of its list clears so that an action never
// hits another row than the one the user picked.
class ServerLists {
public:
    using Logger = std::function<void(std::string_view)>;

    ServerLists(const ServerDialect& dialect, Logger log);

    // Takes the seek settings, "sort seek" and the four sort modes from the settings; a
    // stored mode that names no order reads as its list's default.
    void loadSettings(const AppSettings& settings);
    // Writes the sort modes and "sort seek" back.
    void storeSettings(AppSettings& settings) const;

    // Begins fetching a list: refused (with a log line) while that list is still being
    // received; otherwise empties it, sets its receiving flag and sends its command.
    bool request(ServerList list, ServerReceiveFlags& flags, ServerCommandSink& sink);
    bool requestWho(ServerReceiveFlags& flags, ServerCommandSink& sink);
    // Ends a fetch (the list ended or the wait ran out): clears the flag and sorts.
    void finish(ServerList list, ServerReceiveFlags& flags);
    void finishWho(ServerReceiveFlags& flags);

    // Takes the list lines among the recognised lines; true when the event was one.
    bool handle(const ServerLineEvent& event);
    bool takeWhoEntries(std::string_view line) { return readWhoEntries(line, m_who); }

    const std::vector<ServerListEntry>& entries(ServerList list) const
    {
        return m_lists[index(list)];
    }
    const std::vector<std::string>& whoList() const { return m_who; }

    int sortMode(ServerList list) const { return m_sortModes[index(list)]; }
    // Stores and applies an order; an out-of-range mode falls back to the default.
    void setSortMode(ServerList list, int mode);
    // A click on a column header; on the seek list it also turns "sort seek" off.
    void clickColumn(ServerList list, int column);
    bool sortSeek() const { return m_sortSeek; }
    void setSortSeek(bool on);
    void setSeekSettings(const ServerSeekSettings& settings) { m_seekSettings = settings; }
    const ServerSeekSettings& seekSettings() const { return m_seekSettings; }

    // The selected row, -1 for none; select() refuses an index outside the list.
    int selection(ServerList list) const { return m_selection[index(list)]; }
    bool select(ServerList list, int row);
    const ServerListEntry* selectedEntry(ServerList list) const;

    // The rows of a list as the dialog shows them.
    std::vector<std::vector<std::string>> rows(ServerList list) const;

private:
    static std::size_t index(ServerList list) { return static_cast<std::size_t>(list); }
    void changed(ServerList list);
    void sort(ServerList list);
    void addSeek(const ServerLineEvent& event);
    void addGame(const ServerLineEvent& event);
    void addStored(const ServerLineEvent& event);
    void addHistory(const ServerLineEvent& event);

    const ServerDialect& m_dialect;
    Logger m_log;
    std::array<std::vector<ServerListEntry>, kServerListCount> m_lists;
    std::array<int, kServerListCount> m_sortModes { 1, 3, 3, 3 };
    std::array<int, kServerListCount> m_selection { -1, -1, -1, -1 };
    std::vector<std::string> m_who;
    ServerSeekSettings m_seekSettings;
    bool m_sortSeek = false;
};

} // namespace velmorak
