#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmorak {

// The byte source the PGN reader works on: a file read through one buffer with pread, or
// a block of memory. Reading never needs the whole file in memory; seeking inside the
// buffered window costs nothing, so reading games in file order touches every byte once.
//
// A file is opened read-only and stays open until close() or destruction. Errors of the
// operating system show as end of input; error() tells a read error from a real end.
class PgnInput {
public:
    static constexpr std::size_t kBufferSize = 256 * 1024;

    // Files are read through a buffer of `bufferSize` bytes (tests use tiny ones to read
    // across every buffer boundary).
    explicit PgnInput(std::size_t bufferSize = kBufferSize)
        : m_bufferSize(bufferSize ? bufferSize : 1)
    {
    }
    ~PgnInput();
    PgnInput(const PgnInput&) = delete;
    PgnInput& operator=(const PgnInput&) = delete;

    // Opens a file for reading; false when it cannot be opened.
    bool openFile(const std::string& path);
    // Reads the file `other` reads (the same open file, not the name, which may have been
    // replaced since) through a descriptor and buffer of its own, for another thread; false
    // for memory input.
    bool openSameFile(const PgnInput& other);
    // Reads from a copy of text.
    void openText(std::string_view text);
    void close();
    bool isOpen() const { return m_fd >= 0 || m_isMemory; }

    // Positions the next read at offset; false when the offset lies beyond the end.
    bool seek(std::int64_t offset);
    // Offset of the next byte get() returns.
    std::int64_t offset() const { return m_bufferOffset + std::int64_t(m_pos); }
    // Size of the input when it was opened or last refreshed (files can grow behind us).
    std::int64_t size() const { return m_size; }
    bool hadReadError() const { return m_readError; }
    // The file descriptor (for fstat), -1 for memory input.
    int fd() const { return m_fd; }

    // Next byte as 0..255, or -1 at the end of the input.
    int get()
    {
        if (m_pos < m_end)
            return static_cast<unsigned char>(m_data[m_pos++]);
        return refillAndGet();
    }
    // The next byte without consuming it, or -1.
    int peek()
    {
        if (m_pos < m_end)
            return static_cast<unsigned char>(m_data[m_pos]);
        if (!refill())
            return -1;
        return static_cast<unsigned char>(m_data[m_pos]);
    }
    // Steps back over the byte just read by get(); only valid right after a get() that
    // returned a byte.
    void unget()
    {
        if (m_pos > 0)
            --m_pos;
    }

    // The bytes buffered from the current position on (loads more when none are); empty at
    // the end. consume(n) moves past n of them. For scanners that look at whole runs.
    std::string_view window()
    {
        if (m_pos >= m_end && !refill())
            return {};
        return std::string_view(m_data + m_pos, m_end - m_pos);
    }
    void consume(std::size_t count) { m_pos += count; }
    // Like window(), but loads more of a file so that at least `count` bytes are there
    // when the input holds them (a look-ahead that must not stop at a buffer boundary).
    std::string_view window(std::size_t count);

private:
    bool refill();
    int refillAndGet();

    std::size_t m_bufferSize;
    int m_fd = -1;
    bool m_isMemory = false;
    bool m_readError = false;
    std::string m_text;
    std::vector<char> m_buffer;
    const char* m_data = nullptr;
    std::int64_t m_size = 0;
    // File offset of m_data[0].
    std::int64_t m_bufferOffset = 0;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

} // namespace velmorak
