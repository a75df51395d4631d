#include "PgnInput.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/RegularFile.h"

namespace velmorak {

PgnInput::~PgnInput()
{
    close();
}

bool PgnInput::openFile(const std::string& path)
{
    close();
    // A FIFO or device would block or never end: only regular files are read.
    Result<int> opened = openRegularFile(path, O_RDONLY);
    if (!opened)
        return false;
    const int fd = *opened;
    struct stat info { };
    ::fstat(fd, &info);
    m_fd = fd;
    m_size = info.st_size;
    m_buffer.resize(m_bufferSize);
    m_data = m_buffer.data();
    return true;
}

bool PgnInput::openSameFile(const PgnInput& other)
{
    close();
    if (other.m_fd < 0)
        return false;
    const int fd = ::fcntl(other.m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return false;
    m_fd = fd;
    m_size = other.m_size;
    m_buffer.resize(m_bufferSize);
    m_data = m_buffer.data();
    return true;
}

void PgnInput::openText(std::string_view text)
{
    close();
    m_text.assign(text);
    m_isMemory = true;
    m_data = m_text.data();
    m_size = static_cast<std::int64_t>(m_text.size());
    m_end = m_text.size();
}

void PgnInput::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_isMemory = false;
    m_readError = false;
    m_text.clear();
    m_data = nullptr;
    m_size = 0;
    m_bufferOffset = 0;
    m_pos = 0;
    m_end = 0;
}

bool PgnInput::seek(std::int64_t offset)
{
    if (!isOpen() || offset < 0)
        return false;
    if (m_isMemory) {
        if (offset > m_size)
            return false;
        m_pos = static_cast<std::size_t>(offset);
        return true;
    }
    if (offset >= m_bufferOffset && offset <= m_bufferOffset + std::int64_t(m_end)) {
        m_pos = static_cast<std::size_t>(offset - m_bufferOffset);
        return true;
    }
    struct stat info { };
    if (offset > m_size && ::fstat(m_fd, &info) == 0)
        m_size = info.st_size;
    if (offset > m_size)
        return false;
    m_bufferOffset = offset;
    m_pos = 0;
    m_end = 0;
    return true;
}

bool PgnInput::refill()
{
    if (m_isMemory || m_fd < 0)
        return false;
    // Keep nothing of the old window: readers only ever step back one byte, and only over
    // a byte they have just read, which refill never discards (it runs only when the window
    // is used up, before the next byte is handed out).
    m_bufferOffset += static_cast<std::int64_t>(m_pos);
    m_pos = 0;
    m_end = 0;
    for (;;) {
        ssize_t got = ::pread(m_fd, m_buffer.data(), m_buffer.size(), m_bufferOffset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_readError = true;
            return false;
        }
        m_end = static_cast<std::size_t>(got);
        if (m_bufferOffset + got > m_size)
            m_size = m_bufferOffset + got;
        return got > 0;
    }
}

std::string_view PgnInput::window(std::size_t count)
{
    if (m_end - m_pos < count && !m_isMemory && m_fd >= 0) {
        if (m_buffer.size() < count + 1) {
            m_buffer.resize(count + 1);
            m_data = m_buffer.data();
        }
        // Move the unread bytes (and the one before them, for unget) to the front and fill
        // the rest of the buffer.
        const std::size_t keep = m_pos > 0 ? m_pos - 1 : 0;
        std::memmove(m_buffer.data(), m_buffer.data() + keep, m_end - keep);
        m_bufferOffset += static_cast<std::int64_t>(keep);
        m_pos -= keep;
        m_end -= keep;
        while (m_end < m_buffer.size()) {
            ssize_t got = ::pread(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end,
                m_bufferOffset + std::int64_t(m_end));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                m_readError = true;
            if (got <= 0)
                break;
            m_end += static_cast<std::size_t>(got);
        }
        if (m_bufferOffset + std::int64_t(m_end) > m_size)
            m_size = m_bufferOffset + std::int64_t(m_end);
    }
    return window();
}

int PgnInput::refillAndGet()
{
    if (!refill())
        return -1;
    return static_cast<unsigned char>(m_data[m_pos++]);
}

} // namespace velmorak
