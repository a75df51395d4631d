#include "CDatabaseIndexer.h"

namespace velmorak {

namespace {
// Games scanned between two looks at the stop request.
constexpr int kStopCheckGames = 256;
} // namespace

std::uint32_t IndexEntryMaker::intern(EntryField field, const std::string& text)
{
    const int f = static_cast<int>(field);
    if (m_lastId[f] == 0 || text != m_lastText[f]) {
        m_lastId[f] = m_pool->intern(text);
        m_lastText[f] = text;
    }
    return m_lastId[f];
}

CDatabaseEntry IndexEntryMaker::make(
    std::int32_t number, const IndexTags& tags, std::int64_t start, std::int64_t end)
{
    CDatabaseEntry entry;
    entry.number = number;
    entry.tags[int(EntryField::White)] = intern(EntryField::White, tags.white);
    entry.tags[int(EntryField::Black)] = intern(EntryField::Black, tags.black);
    entry.tags[int(EntryField::Date)] = intern(EntryField::Date, tags.date);
    entry.tags[int(EntryField::Event)] = intern(EntryField::Event, tags.event);
    entry.tags[int(EntryField::Eco)] = intern(EntryField::Eco, tags.eco);
    entry.tags[int(EntryField::Site)] = intern(EntryField::Site, tags.site);
    entry.tags[int(EntryField::Result)] = intern(EntryField::Result, tags.result);
    entry.start = start;
    entry.end = end;
    entry.pool = m_pool;
    return entry;
}

std::int64_t likelyGameStart(PgnInput& input, std::int64_t from)
{
    constexpr std::size_t kLookahead = 64 * 1024;
    if (!input.seek(from))
        return from;
    const std::string_view bytes = input.window(kLookahead);
    for (std::size_t at = bytes.find("\n["); at != std::string_view::npos;
         at = bytes.find("\n[", at + 1)) {
        std::size_t before = at;
        if (before > 0 && bytes[before - 1] == '\r')
            --before;
        if (before > 0 && bytes[before - 1] == '\n')
            return from + std::int64_t(at + 1);
    }
    return from;
}

void IndexStretch::scan(CGameReader& reader, PgnInput& input, std::int64_t from, std::int64_t bound,
    const std::function<bool()>& stopRequested)
{
    std::int64_t start = likelyGameStart(input, from);
    IndexEntryMaker maker(*pool);
    IndexTags tags;
    for (std::int32_t number = 0; start < bound; ++number) {
        if (number % kStopCheckGames == 0 && stopRequested()) {
            stopped = true;
            break;
        }
        std::int64_t end = 0;
        if (!reader.scanIndexTags(input, start, end, tags) || end == start) {
            ended = true;
            break;
        }
        entries.push_back(maker.make(number, tags, start, end));
        start = end;
        scanned.store(start - from, std::memory_order_relaxed);
    }
    next = start;
    readError = input.hadReadError();
}

} // namespace velmorak
