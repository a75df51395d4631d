#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/ServerDialect.h"
#include "server/ServerLineHandler.h"
#include "server/TextRingBuffer.h"

namespace velmorak {

class ServerCommandSink;

// A page of text kept for the chat and channel dialogs.
struct TextPage {
    TextPage(std::string pageName, std::int32_t pagePriority, std::size_t capacity)
        : name(std::move(pageName))
        , priority(pagePriority)
        , text(capacity)
    {
    }

    int id = -1;
    std::string name;
    std::int32_t priority = 0;
    std::string title;
    TextRingBuffer text;
};

inline constexpr std::size_t kChatPageCapacity = 4096;
inline constexpr std::size_t kChannelPageCapacity = 16382;
// The page of the client's own log, listed among the channels.
inline constexpr std::string_view kLogPageName = "VMK logmessages";
// The channels dialog's name for the server console.
inline constexpr std::string_view kServerPageName = "Server";

// A line typed by the user, made safe to send: every control byte becomes a blank, so that
// a pasted line break cannot start a second command.
std::string withoutControlBytes(std::string_view text);
// Chat text for the server, which reads only 7-bit text: the German umlauts and sharp s
// are spelt out ("ae", "ss"), any other character outside ASCII becomes "?", control bytes
// become blanks. Reads UTF-8, and single Windows-1252 bytes where the text is not UTF-8.
std::string transliterateForServer(std::string_view text);

// Personal messages, shouts, kibitzes and notifications sorted into one page per partner,
// and one page per joined channel; what the user sends goes out through the sink.
class ServerChat {
public:
    using Logger = std::function<void(std::string_view)>;

    ServerChat(const ServerDialect& dialect, TextRingBuffer& console, Logger log);

    // The name the server gave the user this session, which heads the user's own lines.
    void setSessionHandle(std::string handle) { m_sessionHandle = std::move(handle); }

    // Adds a partner with its page; false for an empty or known name (case of A-Z ignored).
    bool addChatPartner(std::string_view name);
    // The partner's page, or null.
    TextPage* chatPage(std::string_view name);
    // The channel page of exactly that name, or null.
    TextPage* channelPage(std::string_view name);
    // The text a chat target shows: its page, or the console for the console's name or a
    // name without a page.
    TextRingBuffer& findPage(std::string_view name);
    // Partner names, sorted ignoring case.
    const std::vector<std::string>& chatPartners() const { return m_partners; }

    // Takes the chat and channel lines among the recognised lines; true when it was one.
    bool handle(const ServerLineEvent& event);
    bool unreadChat() const { return m_unreadChat; }
    void markChatRead() { m_unreadChat = false; }

    // The chat dialog's first target: the partner page of highest priority above 0, which
    // then becomes the only page with a priority; the console's name when there is none.
    std::string chooseTarget();
    // The target's text as the chat view shows it: its strings joined with "\r\n"; empty
    // for the console.
    std::string pageText(std::string_view target);

    // The send button: false (nothing sent) for an empty target.
    bool sendChat(std::string_view target, std::string_view message, ServerCommandSink& sink);
    // What the user sent, newest first, each once.
    const std::vector<std::string>& chatHistory() const { return m_history; }
    void setChatHistory(std::vector<std::string> history) { m_history = std::move(history); }

    // The channels box: "Server" first, then every channel page.
    std::vector<std::string> channelNames() const;
    // Joins a channel; answers the warning, without sending, when its page exists already.
    std::string_view joinChannel(int number, ServerCommandSink& sink);
    // Leaves a channel and drops its page (the log page goes without a command).
    bool leaveChannel(std::string_view name, ServerCommandSink& sink);
    // Empties a channel page, or the console for "Server".
    void clearPage(std::string_view name);
    // Appends to the log page, which is created again when the user removed it.
    void addLogLine(std::string_view text);
    // The channel view: the page's strings (the console's for "Server") joined with "\r\n".
    std::string channelText(std::string_view name);

private:
    bool append(TextPage& page, std::string_view text, std::string_view failure);
    TextPage& partnerPage(std::string_view name);

    const ServerDialect& m_dialect;
    TextRingBuffer& m_console;
    Logger m_log;
    std::vector<std::unique_ptr<TextPage>> m_chatPages;
    std::vector<std::string> m_partners;
    std::vector<std::unique_ptr<TextPage>> m_channelPages;
    std::vector<std::string> m_history;
    std::string m_sessionHandle;
    bool m_unreadChat = false;
};

} // namespace velmorak
