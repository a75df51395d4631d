#include "server/ServerChat.h"

#include <algorithm>
#include <array>
#include <utility>

#include "server/ServerCommandSink.h"
#include "server/ServerPattern.h"

namespace velmorak {

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return lowerAscii(x) == lowerAscii(y);
    });
}

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(lowerAscii(x)) <
            static_cast<unsigned char>(lowerAscii(y));
    });
}

bool isControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

// The spelling of the characters the server cannot show that German chat needs.
std::string_view spelledOut(char32_t c)
{
    switch (c) {
    case 0xC4:
        return "AE";
    case 0xD6:
        return "OE";
    case 0xDC:
        return "UE";
    case 0xDF:
        return "ss";
    case 0xE4:
        return "ae";
    case 0xF6:
        return "oe";
    case 0xFC:
        return "ue";
    default:
        return "?";
    }
}

// The length of the UTF-8 sequence at `at` and its code point; 0 when none starts there.
std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& point)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        point = (point << 6) | (next & 0x3F);
    }
    return length;
}

std::string joined(const TextRingBuffer& buffer)
{
    std::string text;
    for (const auto& line : buffer.strings().texts) {
        if (!text.empty())
            text += "\r\n";
        text += line;
    }
    return text;
}

} // namespace

std::string withoutControlBytes(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (isControl(static_cast<unsigned char>(c)))
            c = ' ';
    return result;
}

std::string transliterateForServer(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            result += isControl(byte) ? ' ' : static_cast<char>(byte);
            ++i;
            continue;
        }
        char32_t point = 0;
        const std::size_t length = decodeUtf8(text, i, point);
        if (length == 0) {
            point = byte; // a Windows-1252 byte
            ++i;
        } else {
            i += length;
        }
        result += spelledOut(point);
    }
    return result;
}

ServerChat::ServerChat(const ServerDialect& dialect, TextRingBuffer& console, Logger log)
    : m_dialect(dialect)
    , m_console(console)
    , m_log(std::move(log))
{
}

bool ServerChat::addChatPartner(std::string_view name)
{
    if (name.empty() || chatPage(name))
        return false;
    PatternCaptures captures;
    const std::int32_t priority = matchPattern(name, m_dialect.sRoboAdmin, captures) ? 0 : 2;
    m_chatPages.push_back(
        std::make_unique<TextPage>(std::string(name), priority, kChatPageCapacity));
    m_partners.emplace_back(name);
    std::stable_sort(m_partners.begin(), m_partners.end(), lessIgnoringCase);
    m_log("added chat partner " + std::string(name));
    return true;
}

TextPage* ServerChat::chatPage(std::string_view name)
{
    for (auto& page : m_chatPages)
        if (equalIgnoringCase(page->name, name))
            return page.get();
    return nullptr;
}

TextPage* ServerChat::channelPage(std::string_view name)
{
    for (auto& page : m_channelPages)
        if (page->name == name)
            return page.get();
    return nullptr;
}

TextRingBuffer& ServerChat::findPage(std::string_view name)
{
    TextPage* page = name == m_dialect.sConsoleName ? nullptr : chatPage(name);
    return page ? page->text : m_console;
}

TextPage& ServerChat::partnerPage(std::string_view name)
{
    addChatPartner(name);
    return *chatPage(name);
}

bool ServerChat::append(TextPage& page, std::string_view text, std::string_view failure)
{
    if (page.text.addString(text))
        return true;
    m_log(failure);
    return false;
}

bool ServerChat::handle(const ServerLineEvent& event)
{
    static constexpr std::string_view kChatFailure = "addString failed in handleNewLineChat";
    const std::string_view line = event.line;
    const std::string& first = event.captures.empty() ? std::string() : event.captures[0];
    switch (event.kind) {
    case ServerLineKind::Tell:
    case ServerLineKind::SaysChannel:
    case ServerLineKind::Says: {
        PatternCaptures titled;
        const std::string sender =
            matchPattern(first, m_dialect.sNameWithTitle, titled) ? titled[0] : first;
        const auto colon = line.find(':');
        const std::string_view message =
            colon == std::string_view::npos ? std::string_view {} : line.substr(colon + 1);
        append(partnerPage(sender), sender + ">" + std::string(message), kChatFailure);
        m_unreadChat = true;
        return true;
    }
    case ServerLineKind::Shout:
    case ServerLineKind::CShout:
    case ServerLineKind::IShout:
        append(partnerPage("Shouts"), line, kChatFailure);
        return true;
    case ServerLineKind::Kibitz:
    case ServerLineKind::KibitzShort:
    case ServerLineKind::Whisper:
    case ServerLineKind::WhisperShort:
        append(partnerPage("Kibitzes"), line, kChatFailure);
        return true;
    case ServerLineKind::Arrived:
    case ServerLineKind::Present:
        append(partnerPage(first), line, kChatFailure);
        m_unreadChat = true;
        return true;
    case ServerLineKind::Departed:
        append(partnerPage(first), line, kChatFailure);
        return true;
    case ServerLineKind::Notification:
        append(partnerPage("Notifications"), line, kChatFailure);
        return true;
    case ServerLineKind::ChannelLine:
        if (TextPage* page = channelPage(first))
            append(*page, line, "addString failed in handleNewLineChannels 2");
        if (TextPage* page = chatPage(first))
            append(*page, line, "addString failed in handleNewLineChannels 3");
        return true;
    default:
        return false;
    }
}

std::string ServerChat::chooseTarget()
{
    TextPage* chosen = nullptr;
    for (auto& page : m_chatPages)
        if (page->priority > 0 && (!chosen || page->priority > chosen->priority))
            chosen = page.get();
    if (!chosen)
        return m_dialect.sConsoleName;
    for (auto& page : m_chatPages)
        page->priority = 0;
    chosen->priority = 1;
    return chosen->name;
}

std::string ServerChat::pageText(std::string_view target)
{
    if (target == m_dialect.sConsoleName)
        return {};
    TextPage* page = chatPage(target);
    return page ? joined(page->text) : std::string();
}

bool ServerChat::sendChat(
    std::string_view target, std::string_view message, ServerCommandSink& sink)
{
    if (target.empty())
        return false;
    if (target == m_dialect.sConsoleName || target == "Notifications") {
        sink.sendLine(withoutControlBytes(message));
    } else {
        append(partnerPage(target), m_sessionHandle + "> " + std::string(message),
            "addString failed in sendChat");
        const std::string text = transliterateForServer(message);
        if (target == "Shouts")
            sink.sendLine(m_dialect.sShoutCmd + text);
        else if (target == "Kibitzes")
            sink.sendLine(m_dialect.sKibitzCmd + text);
        else
            sink.sendLine(m_dialect.sTellCmd + transliterateForServer(target) + " " + text);
    }
    std::erase(m_history, message);
    m_history.insert(m_history.begin(), std::string(message));
    return true;
}

std::vector<std::string> ServerChat::channelNames() const
{
    std::vector<std::string> names { std::string(kServerPageName) };
    for (const auto& page : m_channelPages)
        names.push_back(page->name);
    return names;
}

std::string_view ServerChat::joinChannel(int number, ServerCommandSink& sink)
{
    const std::string name = std::to_string(number);
    if (channelPage(name))
        return "Channel already selected!";
    m_channelPages.push_back(std::make_unique<TextPage>(name, 1, kChannelPageCapacity));
    sink.sendLine(m_dialect.sJoinChannelCmd + name);
    return {};
}

bool ServerChat::leaveChannel(std::string_view name, ServerCommandSink& sink)
{
    const auto found = std::find_if(m_channelPages.begin(), m_channelPages.end(),
        [&](const auto& page) { return page->name == name; });
    if (found == m_channelPages.end())
        return false;
    if (name != kLogPageName)
        sink.sendLine(m_dialect.sLeaveChannelCmd + std::string(name));
    m_channelPages.erase(found);
    return true;
}

void ServerChat::clearPage(std::string_view name)
{
    if (name == kServerPageName)
        m_console.clear();
    else if (TextPage* page = channelPage(name))
        page->text.clear();
}

void ServerChat::addLogLine(std::string_view text)
{
    TextPage* page = channelPage(kLogPageName);
    if (!page) {
        m_channelPages.push_back(
            std::make_unique<TextPage>(std::string(kLogPageName), 1, kChannelPageCapacity));
        page = m_channelPages.back().get();
    }
    page->text.addString(text);
}

std::string ServerChat::channelText(std::string_view name)
{
    if (name == kServerPageName)
        return joined(m_console);
    TextPage* page = channelPage(name);
    return page ? joined(page->text) : std::string();
}

} // namespace velmorak
