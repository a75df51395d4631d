#include "present/GamesList.h"

#include "app/DatabaseSession.h"
#include "record/CDatabaseFilter.h"

namespace velmorak {

namespace {

// Indexed games are read in batches, each under one lock of the index.
constexpr std::size_t kVisitBatch = 4096;

bool playerMatches(const CDatabaseEntry& entry, const std::string& part)
{
    return part.empty() || containsIgnoringCase(entry.white(), part) ||
        containsIgnoringCase(entry.black(), part);
}

} // namespace

GamesList::GamesList(DatabaseSession& session)
    : m_session(session)
{
    refresh();
}

void GamesList::setQuickFilter(std::string text)
{
    m_quick = std::move(text);
    m_rows.clear();
    m_scanned = 0;
    m_fromIndexing = false;
    refresh();
}

void GamesList::refresh()
{
    if (m_session.indexing()) {
        if (!m_fromIndexing) {
            m_rows.clear();
            m_scanned = 0;
            m_fromIndexing = true;
        }
        addIndexed();
        return;
    }
    m_fromIndexing = false;
    rebuildSorted();
}

void GamesList::addIndexed()
{
    const CDatabase& database = m_session.database();
    const std::size_t indexed = database.indexedCount();
    while (m_scanned < indexed) {
        std::size_t first = m_scanned;
        database.visitIndexed(first, kVisitBatch, [this](const CDatabaseEntry& entry) {
            if (playerMatches(entry, m_quick))
                m_rows.push_back(int(m_scanned));
            ++m_scanned;
        });
        if (m_scanned == first)
            break;
    }
}

void GamesList::rebuildSorted()
{
    const std::vector<int>& order = m_session.list().displayOrder();
    const std::vector<CDatabaseEntry>& entries = m_session.database().getEntries();
    m_rows.clear();
    if (m_quick.empty() || entries.empty()) {
        m_rows = order;
        return;
    }
    // Names repeat across thousands of games: each distinct text is tested once.
    const TagTextPool& pool = m_session.database().textPool();
    std::vector<signed char> matches(pool.size(), -1);
    auto matchesText = [&](std::uint32_t id) {
        if (id >= matches.size())
            return containsIgnoringCase(pool.text(id), m_quick);
        if (matches[id] < 0)
            matches[id] = containsIgnoringCase(pool.text(id), m_quick) ? 1 : 0;
        return matches[id] == 1;
    };
    for (int number : order) {
        if (number < 0 || std::size_t(number) >= entries.size())
            continue;
        const CDatabaseEntry& entry = entries[std::size_t(number)];
        if (matchesText(entry.textId(EntryField::White)) ||
            matchesText(entry.textId(EntryField::Black)))
            m_rows.push_back(number);
    }
}

int GamesList::rowCount() const
{
    return int(m_rows.size());
}

int GamesList::numberAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[std::size_t(row)] : -1;
}

int GamesList::rowOf(int number) const
{
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        if (m_rows[row] == number)
            return int(row);
    return -1;
}

std::array<std::string, GamesList::kColumnCount> GamesList::cells(int row) const
{
    std::array<std::string, kColumnCount> texts;
    const int number = numberAt(row);
    if (number < 0)
        return texts;
    auto fill = [&texts, number](const CDatabaseEntry& entry) {
        texts = { std::to_string(number + 1), std::string(entry.white()),
            std::string(entry.black()), std::string(entry.event()), std::string(entry.result()) };
    };
    if (m_session.indexing()) {
        m_session.database().visitIndexed(std::size_t(number), 1, fill);
        return texts;
    }
    const std::vector<CDatabaseEntry>& entries = m_session.database().getEntries();
    if (std::size_t(number) < entries.size())
        fill(entries[std::size_t(number)]);
    return texts;
}

} // namespace velmorak
