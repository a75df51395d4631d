#include "server/ServerLists.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <utility>

#include "server/ServerCommandSink.h"
#include "settings/AppSettings.h"

namespace velmorak {

namespace {

constexpr std::array<int, kServerListCount> kDefaultSortModes { 1, 3, 3, 3 };
constexpr std::array<int, kServerListCount> kSortModeCounts { 9, 7, 4, 4 };

int compareInts(long long a, long long b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

int compareText(std::string_view a, std::string_view b)
{
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Player names differ in case only by whim, so lists order them ignoring it.
int compareNames(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = lowerAscii(a[i]);
        const char y = lowerAscii(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    return compareInts(static_cast<long long>(a.size()), static_cast<long long>(b.size()));
}

// Expected length, then minutes, then description.
int compareLength(const GameKindRecord& a, const GameKindRecord& b, bool withDescription)
{
    if (int c = compareInts(a.expectedLength(), b.expectedLength()))
        return c;
    if (int c = compareInts(a.minutes, b.minutes))
        return c;
    return withDescription ? compareText(a.description, b.description) : 0;
}

int resultRank(std::string_view result)
{
    if (result == "+")
        return 0;
    if (result == "=")
        return 1;
    if (result == "-")
        return 2;
    return 3;
}

// Three ordered comparisons: the primary key (reversed with the mode), a secondary key
// that stays ascending, and the ties (reversed with the mode unless `fixedTies`).
struct Keys {
    int primary = 0;
    int secondary = 0;
    int ties = 0;
};

int combine(const Keys& keys, bool reversed)
{
    if (keys.primary)
        return reversed ? -keys.primary : keys.primary;
    if (keys.secondary)
        return keys.secondary;
    return reversed ? -keys.ties : keys.ties;
}

Keys seekKeys(const ServerListEntry& a, const ServerListEntry& b, int mode,
    const ServerSeekSettings& settings)
{
    Keys k;
    const auto& x = a.kind;
    const auto& y = b.kind;
    switch (mode) {
    case 2:
        k.primary = compareNames(a.name, b.name);
        break;
    case 3:
        k.primary = compareInts(b.rating, a.rating);
        k.secondary = compareNames(a.name, b.name);
        break;
    case 4:
        k.primary = compareInts(x.expectedLength(), y.expectedLength());
        k.secondary = compareInts(x.minutes, y.minutes);
        break;
    case 5:
        k.primary = compareInts(y.rated, x.rated);
        k.secondary = compareText(kindWord(x.kind), kindWord(y.kind));
        break;
    case 6:
        k.primary = compareInts(x.colour, y.colour);
        break;
    case 7:
        k.primary = compareInts(x.ratingLow, y.ratingLow);
        k.secondary = compareInts(x.ratingHigh, y.ratingHigh);
        break;
    case 8:
        k.primary = compareInts(x.ratingHigh, y.ratingHigh);
        k.secondary = compareInts(x.ratingLow, y.ratingLow);
        break;
    case 9:
        k.primary = compareInts(y.manual, x.manual);
        k.secondary = compareInts(y.formula, x.formula);
        break;
    default:
        break;
    }
    k.ties = compareInts(seekSuitability(a, settings), seekSuitability(b, settings));
    if (!k.ties)
        k.ties = compareInts(a.number, b.number);
    return k;
}

Keys observeKeys(const ServerListEntry& a, const ServerListEntry& b, int mode)
{
    Keys k;
    switch (mode) {
    case 1:
        k.primary = compareInts(a.number, b.number);
        break;
    case 2:
        k.primary = compareNames(a.name, b.name);
        break;
    case 3:
        k.primary = compareInts(b.rating, a.rating);
        k.secondary = compareNames(a.name, b.name);
        break;
    case 4:
        k.primary = compareNames(a.secondText, b.secondText);
        break;
    case 5:
        k.primary = compareInts(b.secondNumber, a.secondNumber);
        k.secondary = compareNames(a.secondText, b.secondText);
        break;
    case 6:
        k.primary = compareLength(a.kind, b.kind, true);
        break;
    case 7:
        k.primary = compareInts(b.kind.rated, a.kind.rated);
        k.secondary = compareLength(a.kind, b.kind, true);
        break;
    default:
        break;
    }
    k.ties = compareInts(static_cast<long long>(b.rating) + b.secondNumber,
        static_cast<long long>(a.rating) + a.secondNumber);
    if (!k.ties)
        k.ties = compareInts(a.number, b.number);
    return k;
}

Keys adjournKeys(const ServerListEntry& a, const ServerListEntry& b, int mode)
{
    Keys k;
    switch (mode) {
    case 1:
        k.primary = compareInts(b.kind.colour, a.kind.colour);
        break;
    case 2:
        k.primary = compareNames(a.name, b.name);
        break;
    case 3:
        k.primary = compareText(b.secondText, a.secondText);
        break;
    case 4:
        k.primary = compareLength(a.kind, b.kind, true);
        break;
    default:
        break;
    }
    k.secondary = compareNames(a.name, b.name);
    if (!k.secondary)
        k.secondary = compareInts(a.number, b.number);
    return k;
}

Keys historyKeys(const ServerListEntry& a, const ServerListEntry& b, int mode)
{
    Keys k;
    switch (mode) {
    case 1:
        k.primary = compareInts(resultRank(a.secondText), resultRank(b.secondText));
        if (!k.primary && resultRank(a.secondText) == 3)
            k.primary = compareText(a.secondText, b.secondText);
        break;
    case 2:
        k.primary = compareInts(b.kind.colour, a.kind.colour);
        break;
    case 3:
        k.primary = compareNames(a.name, b.name);
        break;
    case 4:
        k.primary = compareInts(a.rating, b.rating);
        break;
    default:
        break;
    }
    k.secondary = compareNames(a.name, b.name);
    if (!k.secondary)
        k.secondary = compareInts(a.number, b.number);
    return k;
}

int colourLetter(std::string_view letter)
{
    if (letter == "w" || letter == "W")
        return kColourWhite;
    if (letter == "b" || letter == "B")
        return kColourBlack;
    return 0;
}

const std::string& capture(const PatternCaptures& captures, std::size_t i)
{
    static const std::string kEmpty;
    return i < captures.size() ? captures[i] : kEmpty;
}

} // namespace

ServerSeekSettings ServerSeekSettings::from(const AppSettings& settings)
{
    ServerSeekSettings s;
    s.colour = settings.seekColor;
    s.minutes = settings.seekTime;
    s.increment = settings.seekIncrement;
    s.ratingLow = settings.seekEloMin;
    s.ratingHigh = settings.seekEloMax;
    s.rated = settings.seekRated;
    s.manual = settings.seekManual;
    s.formula = settings.seekFormula;
    return s;
}

void ServerSeekSettings::storeIn(AppSettings& settings) const
{
    settings.seekColor = colour;
    settings.seekTime = minutes;
    settings.seekIncrement = increment;
    settings.seekEloMin = ratingLow;
    settings.seekEloMax = ratingHigh;
    settings.seekRated = rated;
    settings.seekManual = manual;
    settings.seekFormula = formula;
}

int sortModeOrDefault(ServerList list, int mode)
{
    const auto i = static_cast<std::size_t>(list);
    return mode != 0 && std::abs(static_cast<long long>(mode)) <= kSortModeCounts[i]
        ? mode
        : kDefaultSortModes[i];
}

int nextSortMode(ServerList list, int column, int mode)
{
    static constexpr std::array<std::array<int, 4>, 6> kSought { { { 2, -2, 3, -3 }, { 4, -4 },
        { 5, -5 }, { 6, -6 }, { 7, -7, 8, -8 }, { 9, -9 } } };
    static constexpr std::array<std::array<int, 4>, 4> kObserve { { { 1, -1 }, { 2, -2, 3, -3 },
        { 4, -4, 5, -5 }, { 6, -6, 7, -7 } } };
    std::array<int, 4> cycle {};
    if (list == ServerList::Seeks && column >= 0 && column < 6)
        cycle = kSought[static_cast<std::size_t>(column)];
    else if (list == ServerList::Observe && column >= 0 && column < 4)
        cycle = kObserve[static_cast<std::size_t>(column)];
    else if ((list == ServerList::Adjourned || list == ServerList::History) && column >= 0 &&
        column < 4)
        cycle = { column + 1, -(column + 1) };
    else
        return mode;
    const auto length = cycle[2] ? 4U : 2U;
    for (std::size_t i = 0; i < length; ++i)
        if (cycle[i] == mode)
            return cycle[(i + 1) % length];
    return cycle[0];
}

long long seekSuitability(const ServerListEntry& seek, const ServerSeekSettings& settings)
{
    const auto& kind = seek.kind;
    long long sum = 0;
    if (kind.colour == kColourAny)
        sum += 10;
    else if (kind.colour == settings.colour)
        sum += 10000;
    const long long own = static_cast<long long>(settings.minutes) * 60 +
        static_cast<long long>(settings.increment) * 40;
    sum += std::llabs(kind.expectedLength() - own);
    const long long rating = seek.rating == 0 ? 1300 : seek.rating;
    if (rating < settings.ratingLow)
        sum += settings.ratingLow - rating;
    else if (rating > settings.ratingHigh)
        sum += rating - settings.ratingHigh;
    if (kind.rated != settings.rated)
        sum += 1000;
    if (kind.manual != settings.manual)
        sum += 20;
    return sum;
}

void sortServerList(ServerList list, std::vector<ServerListEntry>& entries, int mode,
    const ServerSeekSettings& settings)
{
    const bool reversed = mode < 0;
    const int key = reversed ? -mode : mode;
    std::stable_sort(
        entries.begin(), entries.end(), [&](const ServerListEntry& a, const ServerListEntry& b) {
            Keys keys;
            switch (list) {
            case ServerList::Seeks:
                keys = seekKeys(a, b, key, settings);
                break;
            case ServerList::Observe:
                keys = observeKeys(a, b, key);
                break;
            case ServerList::Adjourned:
                keys = adjournKeys(a, b, key);
                break;
            case ServerList::History:
                keys = historyKeys(a, b, key);
                break;
            }
            return combine(keys, reversed) < 0;
        });
}

std::vector<std::string> serverListColumns(
    ServerList list, const ServerListEntry& entry, const ServerDialect& dialect)
{
    const auto& kind = entry.kind;
    const auto colourWord = [](int colour) {
        return std::string(
            colour == kColourWhite ? "white" : (colour == kColourBlack ? "black" : ""));
    };
    switch (list) {
    case ServerList::Seeks: {
        std::string colour;
        if (kind.colour != kColourAny)
            colour.append("[").append(colourWord(kind.colour)).append("]");
        std::string flags = std::string(kind.manual ? "m" : "") + (kind.formula ? "f" : "");
        return { entry.name + " (" + std::to_string(entry.rating) + ")",
            std::to_string(kind.minutes) + " " + std::to_string(kind.increment),
            std::string(kind.rated ? "rated " : "unrated ") + std::string(kindWord(kind.kind)),
            colour, std::to_string(kind.ratingLow) + "-" + std::to_string(kind.ratingHigh),
            flags.empty() ? " " : flags };
    }
    case ServerList::Observe:
        return { std::to_string(entry.number),
            entry.name + " (" + std::to_string(entry.rating) + ")",
            entry.secondText + " (" + std::to_string(entry.secondNumber) + ")", kind.description };
    case ServerList::Adjourned: {
        // The other dialect's stored list carries neither colour nor kind.
        const bool bare = hasIccLists(dialect);
        return { bare ? "" : colourWord(kind.colour), entry.name,
            entry.secondText == dialect.sStoredOnline ? "online" : "offline",
            bare ? "" : kind.description };
    }
    case ServerList::History:
        return { entry.secondText, colourWord(kind.colour), entry.name,
            std::to_string(entry.rating) };
    }
    return {};
}

bool readWhoEntries(std::string_view line, std::vector<std::string>& names)
{
    std::size_t i = 0;
    bool taken = false;
    const auto blank = [&](std::size_t at) {
        return at < line.size() && (line[at] == ' ' || line[at] == '\t');
    };
    while (true) {
        while (blank(i))
            ++i;
        if (i >= line.size())
            return taken;
        const char first = line[i];
        std::size_t end = i;
        if (first >= '0' && first <= '9') {
            while (end < line.size() && line[end] >= '0' && line[end] <= '9')
                ++end;
            if (end - i < 3)
                return false;
        } else if (first == '+' || first == '-') {
            while (end < line.size() && end - i < 4 && line[end] == first)
                ++end;
            if (end - i < 4)
                return false;
        } else {
            return false;
        }
        if (end >= line.size())
            return false;
        const std::string_view rating = line.substr(i, end - i);
        const char status = line[end];
        std::size_t nameEnd = end + 1;
        while (nameEnd < line.size() && !blank(nameEnd))
            ++nameEnd;
        const std::string_view name = line.substr(end + 1, nameEnd - end - 1);
        if ((status == '.' || status == ' ') && !name.empty()) {
            names.push_back(std::string(name) + " (" + std::string(rating) + ")");
            taken = true;
        }
        i = nameEnd;
    }
}

ServerLists::ServerLists(const ServerDialect& dialect, Logger log)
    : m_dialect(dialect)
    , m_log(std::move(log))
{
}

void ServerLists::loadSettings(const AppSettings& settings)
{
    m_seekSettings = ServerSeekSettings::from(settings);
    m_sortSeek = settings.sortSeek;
    const std::array<int, kServerListCount> modes { settings.seekSortMode, settings.observeSortMode,
        settings.adjournSortMode, settings.historySortMode };
    for (std::size_t i = 0; i < modes.size(); ++i) {
        const auto list = static_cast<ServerList>(i);
        m_sortModes[i] = sortModeOrDefault(list, modes[i]);
        sort(list);
    }
}

void ServerLists::storeSettings(AppSettings& settings) const
{
    settings.sortSeek = m_sortSeek;
    settings.seekSortMode = m_sortModes[0];
    settings.observeSortMode = m_sortModes[1];
    settings.adjournSortMode = m_sortModes[2];
    settings.historySortMode = m_sortModes[3];
}

bool ServerLists::request(ServerList list, ServerReceiveFlags& flags, ServerCommandSink& sink)
{
    struct Request {
        bool ServerReceiveFlags::*flag;
        const std::string ServerDialect::*command;
        const char* busy;
    };
    static constexpr std::array<Request, kServerListCount> kRequests { {
        { &ServerReceiveFlags::bReceivingGamesSeek, &ServerDialect::sSoughtCmd,
            "ERROR: bReceivingGamesSeek true in receiveSeekList" },
        { &ServerReceiveFlags::bReceivingGamesObserve, &ServerDialect::sGamesCmd,
            "ERROR: bReceivingGamesObserve true in receiveObserveList" },
        { &ServerReceiveFlags::bReceivingGamesAdjourn, &ServerDialect::sStoredCmd,
            "ERROR: bReceivingGamesAdjourn true in receiveAdjournList" },
        { &ServerReceiveFlags::bReceivingGamesHistory, &ServerDialect::sHistoryCmd,
            "ERROR: bReceivingGamesHistory true in receiveHistoryList" },
    } };
    const auto& r = kRequests[index(list)];
    if (flags.*r.flag) {
        m_log(r.busy);
        return false;
    }
    m_lists[index(list)].clear();
    changed(list);
    flags.*r.flag = true;
    sink.sendLine(m_dialect.*r.command);
    return true;
}

bool ServerLists::requestWho(ServerReceiveFlags& flags, ServerCommandSink& sink)
{
    if (flags.bReceivingWho)
        return false;
    m_who.clear();
    flags.bReceivingWho = true;
    sink.sendLine(m_dialect.sWhoCmd);
    return true;
}

void ServerLists::finish(ServerList list, ServerReceiveFlags& flags)
{
    switch (list) {
    case ServerList::Seeks:
        flags.bReceivingGamesSeek = false;
        break;
    case ServerList::Observe:
        flags.bReceivingGamesObserve = false;
        break;
    case ServerList::Adjourned:
        flags.bReceivingGamesAdjourn = false;
        break;
    case ServerList::History:
        flags.bReceivingGamesHistory = false;
        break;
    }
    sort(list);
}

void ServerLists::finishWho(ServerReceiveFlags& flags)
{
    flags.bReceivingWho = false;
    std::sort(m_who.begin(), m_who.end());
}

bool ServerLists::handle(const ServerLineEvent& event)
{
    switch (event.kind) {
    case ServerLineKind::SoughtLine:
        addSeek(event);
        return true;
    case ServerLineKind::GamesLine:
        addGame(event);
        return true;
    case ServerLineKind::StoredLine:
        addStored(event);
        return true;
    case ServerLineKind::HistoryLine:
        addHistory(event);
        return true;
    default:
        return false;
    }
}

void ServerLists::addSeek(const ServerLineEvent& event)
{
    const auto& c = event.captures;
    const bool fics = !hasIccLists(m_dialect);
    ServerListEntry entry;
    entry.number = leadingNumber(capture(c, 0));
    entry.rating = leadingNumber(capture(c, 2));
    entry.name = capture(c, 4);
    auto& kind = entry.kind;
    kind.kind = parseKindWord(capture(c, fics ? 12 : 6));
    if (!isSupportedKind(kind.kind))
        return;
    kind.minutes = leadingNumber(capture(c, fics ? 6 : 8));
    kind.increment = leadingNumber(capture(c, fics ? 8 : 10));
    kind.rated = capture(c, fics ? 10 : 12) != m_dialect.sUnratedWord;
    if (!event.more.empty()) {
        if (event.more[0] == m_dialect.sWhiteWord)
            kind.colour = kColourWhite;
        else if (event.more[0] == m_dialect.sBlackWord)
            kind.colour = kColourBlack;
    }
    if (event.range.size() >= 3) {
        kind.ratingLow = leadingNumber(event.range[1]);
        kind.ratingHigh = leadingNumber(event.range[2]);
        if (kind.ratingLow >= kind.ratingHigh) {
            kind.ratingLow = 1;
            kind.ratingHigh = 9998;
        }
    }
    const std::string_view line = event.line;
    const auto flagAt = [&](std::size_t fromEnd, char flag) {
        return line.size() >= fromEnd && line[line.size() - fromEnd] == flag;
    };
    kind.manual = flagAt(1, 'm') || (!fics && flagAt(2, 'm'));
    kind.formula = flagAt(1, 'f') || (!fics && flagAt(2, 'f'));
    kind.rebuildDescription();
    m_lists[index(ServerList::Seeks)].push_back(std::move(entry));
    changed(ServerList::Seeks);
}

void ServerLists::addGame(const ServerLineEvent& event)
{
    const auto& c = event.captures;
    const bool fics = !hasIccLists(m_dialect);
    ServerListEntry entry;
    entry.number = leadingNumber(capture(c, 0));
    entry.rating = leadingNumber(capture(c, 2));
    entry.name = capture(c, 4);
    entry.secondNumber = leadingNumber(capture(c, 6));
    entry.secondText = capture(c, 8);
    const std::string field =
        fics ? capture(c, 10) : " " + capture(c, 10) + " " + capture(c, 12) + " " + capture(c, 14);
    parseKindField(field, m_dialect, entry.kind);
    if (entry.kind.isPrivate)
        return;
    m_lists[index(ServerList::Observe)].push_back(std::move(entry));
    changed(ServerList::Observe);
}

void ServerLists::addStored(const ServerLineEvent& event)
{
    auto& list = m_lists[index(ServerList::Adjourned)];
    if (!hasIccLists(m_dialect)) {
        const auto& c = event.captures;
        ServerListEntry entry;
        entry.number = leadingNumber(capture(c, 1));
        entry.kind.colour = colourLetter(capture(c, 3));
        entry.name = capture(c, 5);
        entry.secondText = capture(c, 7);
        parseKindField(capture(c, 9), m_dialect, entry.kind);
        list.push_back(std::move(entry));
    } else {
        // One line names every stored game as "name(...)", the marker among the brackets.
        std::string_view rest = event.line;
        while (!rest.empty()) {
            const auto start = rest.find_first_not_of(" \t");
            if (start == std::string_view::npos)
                break;
            rest.remove_prefix(start);
            const auto end = std::min(rest.find_first_of(" \t"), rest.size());
            const std::string_view token = rest.substr(0, end);
            rest.remove_prefix(end);
            const auto open = token.find('(');
            if (open == std::string_view::npos || open == 0)
                continue;
            ServerListEntry entry;
            entry.number = static_cast<int>(list.size()) + 1;
            entry.name = std::string(token.substr(0, open));
            if (token.substr(open).find(m_dialect.sStoredOnline) != std::string_view::npos)
                entry.secondText = m_dialect.sStoredOnline;
            list.push_back(std::move(entry));
        }
    }
    changed(ServerList::Adjourned);
}

void ServerLists::addHistory(const ServerLineEvent& event)
{
    const auto& c = event.captures;
    ServerListEntry entry;
    entry.number = leadingNumber(capture(c, 0));
    entry.secondText = capture(c, 2);
    entry.kind.colour = colourLetter(capture(c, 6));
    entry.rating = leadingNumber(capture(c, 8));
    entry.name = capture(c, 10);
    parseKindField(capture(c, 12), m_dialect, entry.kind);
    m_lists[index(ServerList::History)].push_back(std::move(entry));
    changed(ServerList::History);
}

void ServerLists::changed(ServerList list)
{
    m_selection[index(list)] = -1;
}

void ServerLists::sort(ServerList list)
{
    int mode = m_sortModes[index(list)];
    if (list == ServerList::Seeks && m_sortSeek)
        mode = 1;
    sortServerList(list, m_lists[index(list)], mode, m_seekSettings);
    changed(list);
}

void ServerLists::setSortMode(ServerList list, int mode)
{
    m_sortModes[index(list)] = sortModeOrDefault(list, mode);
    sort(list);
}

void ServerLists::clickColumn(ServerList list, int column)
{
    if (list == ServerList::Seeks)
        m_sortSeek = false;
    setSortMode(list, nextSortMode(list, column, m_sortModes[index(list)]));
}

void ServerLists::setSortSeek(bool on)
{
    m_sortSeek = on;
    sort(ServerList::Seeks);
}

bool ServerLists::select(ServerList list, int row)
{
    if (row < -1 || row >= static_cast<int>(m_lists[index(list)].size()))
        return false;
    m_selection[index(list)] = row;
    return true;
}

const ServerListEntry* ServerLists::selectedEntry(ServerList list) const
{
    const int row = m_selection[index(list)];
    return row < 0 ? nullptr : &m_lists[index(list)][static_cast<std::size_t>(row)];
}

std::vector<std::vector<std::string>> ServerLists::rows(ServerList list) const
{
    std::vector<std::vector<std::string>> result;
    for (const auto& entry : m_lists[index(list)])
        result.push_back(serverListColumns(list, entry, m_dialect));
    return result;
}

} // namespace velmorak
