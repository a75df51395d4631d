#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace velmorak {

// The tag values an index entry keeps, in this order.
enum class EntryField { White, Black, Date, Event, Eco, Site, Result };
inline constexpr int kEntryFieldCount = 7;

// Every distinct tag text of an index, stored once. Index entries refer to texts by number,
// which keeps an entry small however long the names are and makes equal texts compare
// equal by number. Texts are never removed; a pool lives as long as its index.
class TagTextPool {
public:
    TagTextPool();
    // The number of text, adding it when new. Number 0 is the empty text.
    std::uint32_t intern(std::string_view text);
    std::string_view text(std::uint32_t id) const
    {
        return id < m_texts.size() ? std::string_view(m_texts[id]) : std::string_view();
    }
    std::size_t size() const { return m_texts.size(); }
    // Every text's rank in an order that ignores letter case (A to Z folded onto a to z);
    // texts equal but for case share a rank. Computed on first use after texts were added.
    const std::vector<std::uint32_t>& foldedRanks() const;
    // Approximate heap bytes held, for the memory figures of the benchmark.
    std::size_t memoryBytes() const;

private:
    void grow();

    std::deque<std::string> m_texts;
    // Open addressing, linear probing: each slot holds a text's number + 1, 0 when free.
    // Twice as many slots as texts at least.
    std::vector<std::uint32_t> m_slots;
    // Each text's hash, so that probing rarely compares texts.
    std::vector<std::uint32_t> m_hashes;
    mutable std::vector<std::uint32_t> m_ranks;
    std::size_t m_textBytes = 0;
};

// One game of a database file, in file order. The games tile the file: entry 0 starts at
// offset 0, each entry ends where the next begins (the "[" of its first tag), the last at
// the end of the file. Offsets are 64-bit, so files beyond 2 GB index correctly.
//
// The tag texts live in the database's TagTextPool, which keeps every text it was given
// for the database's lifetime: an entry, and every copy of it, reads its texts as long as
// the CDatabase object exists.
struct CDatabaseEntry {
    std::int32_t number = 0;
    std::array<std::uint32_t, kEntryFieldCount> tags {};
    std::int64_t start = 0;
    std::int64_t end = 0;
    const TagTextPool* pool = nullptr;

    std::string_view text(EntryField field) const
    {
        return pool ? pool->text(tags[static_cast<int>(field)]) : std::string_view();
    }
    std::uint32_t textId(EntryField field) const { return tags[static_cast<int>(field)]; }
    std::string_view white() const { return text(EntryField::White); }
    std::string_view black() const { return text(EntryField::Black); }
    std::string_view date() const { return text(EntryField::Date); }
    std::string_view event() const { return text(EntryField::Event); }
    std::string_view eco() const { return text(EntryField::Eco); }
    std::string_view site() const { return text(EntryField::Site); }
    std::string_view result() const { return text(EntryField::Result); }
};

} // namespace velmorak
