#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CDatabaseEntry.h"
#include "CGameReader.h"
#include "PgnInput.h"

namespace velmorak {

// Makes index entries of scanned tags, all with texts of one pool. Neighbouring games often
// share a player, event, site or date: each text is compared with the previous game's before
// the pool is asked.
class IndexEntryMaker {
public:
    explicit IndexEntryMaker(TagTextPool& pool)
        : m_pool(&pool)
    {
    }
    CDatabaseEntry make(
        std::int32_t number, const IndexTags& tags, std::int64_t start, std::int64_t end);

private:
    std::uint32_t intern(EntryField field, const std::string& text);

    TagTextPool* m_pool;
    std::string m_lastText[kEntryFieldCount];
    std::uint32_t m_lastId[kEntryFieldCount] = {};
};

// A stretch of a file indexed apart from the rest, on a thread of its own: its entries are
// numbered from 0 and their texts live in its own pool. The index scan stops for good
// where it finds no game or makes no progress, and what it finds at an offset depends on
// the bytes from there on alone; so wherever the scan of the file before reaches one of the
// stretch's game starts, the stretch's entries from there on are the ones it would find.
struct IndexStretch {
    std::vector<CDatabaseEntry> entries;
    std::unique_ptr<TagTextPool> pool = std::make_unique<TagTextPool>();
    // The start of the first game not scanned.
    std::int64_t next = 0;
    // No game at `next`: the index ends there.
    bool ended = false;
    bool stopped = false;
    bool readError = false;
    // Bytes passed so far, read by the thread that reports progress.
    std::atomic<std::int64_t> scanned { 0 };

    // Indexes the games of `input`, from the first likely game start at or after `from`
    // while they start before `bound`, with `reader`; neither is used by another thread
    // meanwhile. `stopRequested` is asked between batches of games.
    void scan(CGameReader& reader, PgnInput& input, std::int64_t from, std::int64_t bound,
        const std::function<bool()>& stopRequested);
};

// The offset of the first "[" at or after `from` that opens a line after an empty one (where
// games usually start), or `from` when none lies within the next 64 KB.
std::int64_t likelyGameStart(PgnInput& input, std::int64_t from);

} // namespace velmorak
