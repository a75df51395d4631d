#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace velmorak {

// A bounded transcript: NUL-terminated strings stored back to back in one circular byte area
// of `capacity` bytes, the oldest forgotten when a new one needs their room. A string takes
// its length plus one byte. When a string does not fit between the write position and the
// end of the area it is written at the start, and whatever it overlaps there goes, together
// with everything older than that: the survivors are exactly those of a byte ring, not merely
// the newest that add up to the capacity.
//
// Every string gets a sequence number, one more than the string before (the first is 1), so
// a reader can ask for what arrived after a point it remembered without walking the area.
// Readers receive copies: the lock is held only inside each call, never across the caller's
// code, so nothing a reader does can block a writer, and a thread never waits for itself.
// All calls are safe from any thread.
class TextRingBuffer {
public:
    // Below this a failed allocation is not retried with half the capacity.
    static constexpr std::size_t kSmallestFallbackCapacity = 16384;

    struct Strings {
        std::vector<std::string> texts; // oldest first
        std::uint64_t newest = 0; // sequence number of the newest string ever added
    };

    explicit TextRingBuffer(std::size_t capacity);
    TextRingBuffer(const TextRingBuffer&) = delete;
    TextRingBuffer& operator=(const TextRingBuffer&) = delete;

    // Empties the buffer and sets the size of its area for the strings that follow.
    void setCapacity(std::size_t capacity);
    // The size of the area; halved (once or more) when the first string found too little
    // memory for the asked size.
    std::size_t capacity() const;

    // Adds `text` up to its first NUL byte, dropping the oldest strings as needed. Refuses
    // (false, nothing changed) a text that needs more than the whole area, and fails when
    // the area cannot be allocated. A text of capacity - 1 bytes replaces all others.
    bool addString(std::string_view text);

    // How many strings are held.
    std::size_t count() const;
    // The sequence number of the newest string ever added (held or not), 0 before the first.
    std::uint64_t newestSequence() const;
    // Every string held, oldest first.
    Strings strings() const;
    // The strings held whose sequence number is above `sequence`, oldest first. Strings
    // already forgotten are skipped without notice.
    Strings stringsAfter(std::uint64_t sequence) const;

    // Replaces this buffer's strings and capacity with a copy of `other`'s.
    void copyFrom(const TextRingBuffer& other);
    // Forgets every string; the capacity and the sequence numbers go on.
    void clear();

private:
    bool allocateLocked();
    bool addLocked(std::string_view text);
    // The offset just past the terminator of the string at `offset`.
    std::size_t stringEndLocked(std::size_t offset) const;
    // Forgets the oldest string.
    void dropOldestLocked();
    Strings collectLocked(std::uint64_t after) const;

    mutable std::mutex m_mutex;
    std::size_t m_capacity;
    std::unique_ptr<char[]> m_storage;
    std::size_t m_oldest = 0; // offset of the oldest string held
    std::size_t m_write = 0; // offset where the next string goes
    // While the strings wrap: the end of the older strings at the top of the area; the newer
    // ones run from offset 0 to m_write. Equal to 0 when they do not wrap.
    std::size_t m_wrapEnd = 0;
    std::size_t m_count = 0;
    std::uint64_t m_newest = 0;
};

} // namespace velmorak
