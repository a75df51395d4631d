#include "server/TextRingBuffer.h"

#include <cstring>
#include <new>

namespace velmorak {

TextRingBuffer::TextRingBuffer(std::size_t capacity)
    : m_capacity(capacity)
{
}

void TextRingBuffer::setCapacity(std::size_t capacity)
{
    std::lock_guard lock(m_mutex);
    m_capacity = capacity;
    m_storage.reset();
    m_oldest = m_write = m_wrapEnd = m_count = 0;
}

std::size_t TextRingBuffer::capacity() const
{
    std::lock_guard lock(m_mutex);
    return m_capacity;
}

bool TextRingBuffer::allocateLocked()
{
    if (m_storage)
        return true;
    if (m_capacity == 0)
        return false;
    // A transcript is worth keeping even when memory is short: settle for a smaller one.
    for (;;) {
        m_storage.reset(new (std::nothrow) char[m_capacity]);
        if (m_storage || m_capacity < kSmallestFallbackCapacity)
            break;
        m_capacity /= 2;
    }
    if (!m_storage)
        return false;
    m_storage[m_capacity - 1] = '\0';
    m_oldest = m_write = m_wrapEnd = m_count = 0;
    return true;
}

std::size_t TextRingBuffer::stringEndLocked(std::size_t offset) const
{
    // Every held string is terminated inside the area; the bound only keeps a damaged area
    // from being read past its end.
    const void* nul = std::memchr(m_storage.get() + offset, '\0', m_capacity - offset);
    if (!nul)
        return m_capacity;
    return static_cast<std::size_t>(static_cast<const char*>(nul) - m_storage.get()) + 1;
}

void TextRingBuffer::dropOldestLocked()
{
    m_oldest = stringEndLocked(m_oldest);
    --m_count;
    if (m_wrapEnd != 0 && m_oldest >= m_wrapEnd) {
        m_oldest = 0;
        m_wrapEnd = 0;
    }
    if (m_count == 0) {
        m_oldest = 0;
        m_wrapEnd = 0;
    }
}

bool TextRingBuffer::addString(std::string_view text)
{
    std::lock_guard lock(m_mutex);
    return addLocked(text);
}

bool TextRingBuffer::addLocked(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    const std::size_t size = text.size() + 1;
    if (!allocateLocked() || size > m_capacity)
        return false;

    std::size_t start = m_write;
    if (size == m_capacity) {
        m_count = 0;
        m_oldest = m_wrapEnd = 0;
        start = 0;
    } else if (m_write + size > m_capacity) {
        // Written at the start: the strings above the write position are the oldest and go
        // first, then those the new text overlaps at the start of the area.
        while (m_count > 0 && m_wrapEnd != 0)
            dropOldestLocked();
        if (m_count > 0) {
            m_wrapEnd = m_write;
            while (m_count > 0 && m_wrapEnd != 0 && m_oldest < size)
                dropOldestLocked();
        }
        start = 0;
    } else if (m_wrapEnd != 0) {
        while (m_count > 0 && m_wrapEnd != 0 && m_oldest < m_write + size)
            dropOldestLocked();
    }

    std::memcpy(m_storage.get() + start, text.data(), text.size());
    m_storage[start + text.size()] = '\0';
    if (m_count == 0)
        m_oldest = start;
    m_write = start + size;
    ++m_count;
    ++m_newest;
    return true;
}

std::size_t TextRingBuffer::count() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

std::uint64_t TextRingBuffer::newestSequence() const
{
    std::lock_guard lock(m_mutex);
    return m_newest;
}

TextRingBuffer::Strings TextRingBuffer::collectLocked(std::uint64_t after) const
{
    Strings result;
    result.newest = m_newest;
    const std::uint64_t oldestSequence = m_newest - m_count + 1;
    std::size_t offset = m_oldest;
    // Walks exactly the strings held: an empty buffer and a full one never look alike, and
    // no walk can circle the area.
    for (std::size_t i = 0; i < m_count; ++i) {
        const std::size_t end = stringEndLocked(offset);
        if (oldestSequence + i > after)
            result.texts.emplace_back(m_storage.get() + offset, end - offset - 1);
        offset = end;
        if (m_wrapEnd != 0 && offset >= m_wrapEnd)
            offset = 0;
    }
    return result;
}

TextRingBuffer::Strings TextRingBuffer::strings() const
{
    std::lock_guard lock(m_mutex);
    return collectLocked(0);
}

TextRingBuffer::Strings TextRingBuffer::stringsAfter(std::uint64_t sequence) const
{
    std::lock_guard lock(m_mutex);
    return collectLocked(sequence);
}

void TextRingBuffer::copyFrom(const TextRingBuffer& other)
{
    if (&other == this)
        return;
    std::size_t capacity = 0;
    Strings source;
    {
        std::lock_guard lock(other.m_mutex);
        capacity = other.m_capacity;
        source = other.collectLocked(0);
    }
    // Under the lock throughout: a reader sees the old strings or all of the copied ones.
    std::lock_guard lock(m_mutex);
    m_capacity = capacity;
    m_storage.reset();
    m_oldest = m_write = m_wrapEnd = m_count = 0;
    for (const std::string& text : source.texts)
        addLocked(text);
}

void TextRingBuffer::clear()
{
    std::lock_guard lock(m_mutex);
    m_oldest = m_write = m_wrapEnd = m_count = 0;
}

} // namespace velmorak
