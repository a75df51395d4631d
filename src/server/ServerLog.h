#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "server/TextRingBuffer.h"

namespace velmorak {

// The diagnostic log of the chess-server client: every command sent (passwords masked),
// every error and warning of the connection and the progress of game synchronisation, one
// line each. Kept in memory only, bounded like a chat page: the oldest lines give way, and a
// single line longer than the whole page is dropped. The user reads it as a chat page and
// may save it to a file.
class ServerLog {
public:
    static constexpr std::string_view kPageName = "VMK logmessages";
    static constexpr std::size_t kCapacity = 4096;

    ServerLog();

    void logMessage(std::string_view text);

    TextRingBuffer& page() { return m_page; }
    const TextRingBuffer& page() const { return m_page; }

    // The lines held, oldest first, each ended by a newline.
    std::string text() const;
    // Writes text() to `path`, replacing the file whole or not at all.
    Status saveTo(const std::string& path) const;

private:
    TextRingBuffer m_page;
};

} // namespace velmorak
