#include "DatabaseList.h"

#include <algorithm>
#include <cstdlib>

#include "settings/RegistrySettings.h"

namespace velmorak {

namespace {
struct TextKey {
    const char* name;
    std::string CDatabaseFilter::*field;
};
constexpr TextKey kTextKeys[] = {
    { "IDC_CBFINDWHITE", &CDatabaseFilter::white },
    { "IDC_CBFINDBLACK", &CDatabaseFilter::black },
    { "IDC_CBFINDYEARFROM", &CDatabaseFilter::yearFrom },
    { "IDC_CBFINDYEARTO", &CDatabaseFilter::yearTo },
    { "IDC_CBFINDEVENT", &CDatabaseFilter::event },
    { "IDC_CBFINDECO", &CDatabaseFilter::eco },
};
struct FlagKey {
    const char* name;
    bool CDatabaseFilter::*field;
};
constexpr FlagKey kFlagKeys[] = {
    { "IDC_CBIGNORECOLOR", &CDatabaseFilter::ignoreColor },
    { "IDC_CBWIN", &CDatabaseFilter::win },
    { "IDC_CBDRAW", &CDatabaseFilter::draw },
    { "IDC_CBLOSS", &CDatabaseFilter::loss },
    { "IDC_CBLINE", &CDatabaseFilter::line },
};
constexpr const char* kFilterActiveKey = "IDC_CBFIND";

EntryField sortField(int key)
{
    switch (key) {
    case 2:
        return EntryField::White;
    case 3:
        return EntryField::Black;
    case 4:
        return EntryField::Event;
    default:
        return EntryField::Result;
    }
}
} // namespace

DatabaseList::DatabaseList(const CDatabase& database, RegistrySettings* settings)
    : m_database(&database)
    , m_settings(settings)
{
}

void DatabaseList::loadFilter()
{
    if (!m_settings)
        return;
    for (const TextKey& key : kTextKeys) {
        std::string value;
        if (m_settings->readString(key.name, value))
            m_filter.*key.field = value;
    }
    // A flag read as false, or not stored, keeps the value in memory.
    for (const FlagKey& key : kFlagKeys) {
        bool value = false;
        if (m_settings->readBool(key.name, value) && value)
            m_filter.*key.field = true;
    }
    m_filterActive = false;
    bool active = false;
    if (m_settings->readBool(kFilterActiveKey, active))
        m_filterActive = active;
}

void DatabaseList::saveFilter()
{
    if (!m_settings)
        return;
    for (const TextKey& key : kTextKeys)
        m_settings->writeString(key.name, m_filter.*key.field);
    for (const FlagKey& key : kFlagKeys)
        m_settings->writeBool(key.name, m_filter.*key.field);
    m_settings->writeBool(kFilterActiveKey, m_filterActive);
}

namespace {
// Sorts keys ascending, a radix sort of 11 bits a pass that passes over the digits no key
// uses (ranks and numbers of a million games take 40 bits): several times quicker than a
// comparison sort on a million entries.
void sortKeys(std::vector<std::uint64_t>& keys)
{
    constexpr int kDigitBits = 11;
    constexpr std::uint64_t kDigitMask = (1U << kDigitBits) - 1;
    if (keys.size() < 256) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    std::uint64_t used = 0;
    for (std::uint64_t key : keys)
        used |= key;
    std::vector<std::uint64_t> buffer(keys.size());
    for (int shift = 0; shift < 64; shift += kDigitBits) {
        if (((used >> shift) & kDigitMask) == 0)
            continue;
        std::size_t counts[kDigitMask + 2] = {};
        for (std::uint64_t key : keys)
            ++counts[((key >> shift) & kDigitMask) + 1];
        for (std::size_t d = 1; d < kDigitMask + 2; ++d)
            counts[d] += counts[d - 1];
        for (std::uint64_t key : keys)
            buffer[counts[(key >> shift) & kDigitMask]++] = key;
        keys.swap(buffer);
    }
}
} // namespace

void DatabaseList::sortOrder(std::vector<int>& order, int mode) const
{
    const int key = std::abs(mode);
    const bool descending = mode < 0;
    const auto& entries = m_database->getEntries();
    // Sort on (rank of the text without case, game number): texts equal byte for byte fall
    // back to the number, as do texts equal but for letter case.
    std::vector<std::uint64_t> keyed(order.size());
    const std::vector<std::uint32_t>* ranks =
        key >= 2 && key <= 5 ? &m_database->textPool().foldedRanks() : nullptr;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int number = order[i];
        std::uint64_t primary = 0;
        if (ranks && number >= 0 && std::size_t(number) < entries.size()) {
            std::uint32_t id = entries[std::size_t(number)].textId(sortField(key));
            primary = id < ranks->size() ? (*ranks)[id] : 0;
        }
        keyed[i] = primary << 32 | static_cast<std::uint32_t>(number);
    }
    sortKeys(keyed);
    // The keys differ in their numbers, so the descending order is the ascending one
    // reversed, the number tie-break included.
    if (descending)
        std::reverse(keyed.begin(), keyed.end());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(static_cast<std::uint32_t>(keyed[i]));
}

void DatabaseList::refreshList()
{
    loadFilter();
    m_database->search(m_filter, m_result);
    m_resultOrder.resize(m_result.size());
    for (std::size_t i = 0; i < m_result.size(); ++i)
        m_resultOrder[i] = m_result[i].number;
    sortOrder(m_resultOrder, m_sortMode);
    repairSelection();
}

void DatabaseList::repairSelection()
{
    if (m_filterActive) {
        if (m_result.empty()) {
            m_selected = -1;
            return;
        }
        bool found = std::any_of(m_result.begin(), m_result.end(),
            [&](const CDatabaseEntry& entry) { return entry.number == m_selected; });
        if (!found)
            m_selected = m_resultOrder.front();
        return;
    }
    const int count = static_cast<int>(m_database->getEntries().size());
    if (count == 0)
        m_selected = -1;
    else if (m_selected < 0 || m_selected >= count)
        m_selected = m_fullOrder.empty() ? 0 : m_fullOrder.front();
}

void DatabaseList::resetList()
{
    const auto& entries = m_database->getEntries();
    m_fullOrder.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        m_fullOrder[i] = static_cast<int>(i);
    sortOrder(m_fullOrder, m_sortMode);
    m_selected = m_fullOrder.empty() ? -1 : m_fullOrder.front();
    m_cachedGame.reset();
    refreshList();
}

void DatabaseList::sortBy(int column)
{
    if (std::abs(m_sortMode) == column + 1)
        m_sortMode = -m_sortMode;
    else
        m_sortMode = column + 1;
    sortOrder(m_fullOrder, m_sortMode);
    sortOrder(m_resultOrder, m_sortMode);
}

bool DatabaseList::stepSelection(int d)
{
    const std::vector<int>& order = displayOrder();
    if (order.empty()) {
        m_selected = -1;
        return false;
    }
    auto at = std::find(order.begin(), order.end(), m_selected);
    if (at == order.end()) {
        m_selected = order.front();
        return false;
    }
    const long long size = static_cast<long long>(order.size());
    const long long position = at - order.begin();
    const long long moved = position + d;
    const long long wrapped = ((moved % size) + size) % size;
    m_selected = order[std::size_t(wrapped)];
    return moved != wrapped;
}

DistinctValues DatabaseList::distinctValues() const
{
    const auto& entries = m_database->getEntries();
    const TagTextPool& pool = m_database->textPool();
    auto collect = [&](EntryField field) {
        std::vector<bool> seen(pool.size(), false);
        std::vector<std::string> texts;
        for (const CDatabaseEntry& entry : entries) {
            std::uint32_t id = entry.textId(field);
            if (id < seen.size() && !seen[id]) {
                seen[id] = true;
                texts.emplace_back(pool.text(id));
            }
        }
        std::sort(texts.begin(), texts.end());
        for (std::string& text : texts)
            if (text.size() > DistinctValues::kMaxDisplayLength)
                text.resize(DistinctValues::kMaxDisplayLength);
        return texts;
    };
    return { collect(EntryField::White), collect(EntryField::Black), collect(EntryField::Event),
        collect(EntryField::Eco) };
}

} // namespace velmorak
