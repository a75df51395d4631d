#include "server/ServerLineAssembler.h"

#include <algorithm>
#include <utility>

namespace velmorak {

namespace {

constexpr std::string_view kTimesealRequest = "[G]";
constexpr std::string_view kStyle12Prefix = "<12>";
// Blanks the server puts after a continuation's backslash; more are part of the text.
constexpr std::size_t kContinuationBlanks = 2;

void appendCut(std::string& to, std::string_view text)
{
    const std::size_t room = ServerLineAssembler::kMaxLineLength -
        std::min(to.size(), ServerLineAssembler::kMaxLineLength);
    to.append(text.substr(0, room));
}

} // namespace

ServerLineAssembler::ServerLineAssembler(std::string prompt, bool timesealRequests)
    : m_prompt(std::move(prompt))
    , m_timeseal(timesealRequests)
{
}

void ServerLineAssembler::setPrompt(std::string prompt)
{
    m_prompt = std::move(prompt);
}

void ServerLineAssembler::splitServerText(std::string_view bytes)
{
    for (char c : bytes) {
        switch (c) {
        case '\r':
            continue;
        case '\n':
            endLine();
            continue;
        case '\0': {
            // Timeseal's request arrives inside other text, marked by a NUL byte.
            std::string& text = m_cutting ? m_cutTail : m_partial;
            if (m_timeseal && text.ends_with(kTimesealRequest)) {
                text.resize(text.size() - kTimesealRequest.size());
                queueRequest();
            }
            continue;
        }
        default:
            break;
        }
        if (m_cutting) {
            m_cutTail.push_back(c);
            if (m_cutTail.size() > kTimesealRequest.size())
                m_cutTail.erase(0, 1);
            continue;
        }
        if (m_partial.size() >= kMaxLineLength) {
            m_cutting = true;
            m_cutTail.assign(1, c);
            continue;
        }
        m_partial.push_back(c);
        // Checked byte by byte, not at the end of a read: where the socket cuts the stream
        // must not change the lines.
        if (!m_prompt.empty() && m_partial.size() == m_prompt.size() && m_partial == m_prompt)
            endLine();
    }
}

void ServerLineAssembler::endLine()
{
    std::string line = std::move(m_partial);
    m_partial.clear();
    m_cutting = false;
    m_cutTail.clear();
    queueServerLine(std::move(line));
}

void ServerLineAssembler::queueServerLine(std::string line)
{
    if (m_timeseal && line == kTimesealRequest) {
        queueRequest();
        return;
    }
    if (line.starts_with('\\')) {
        std::string_view rest = std::string_view(line).substr(1);
        for (std::size_t i = 0; i < kContinuationBlanks && rest.starts_with(' '); ++i)
            rest.remove_prefix(1);
        appendCut(m_longLine, rest);
        return;
    }
    if (!m_longLine.empty()) {
        m_queue.push_back({ ServerInput::Kind::Line, std::move(m_longLine) });
        m_longLine.clear();
    }
    if (line.size() >= kLongLineLength && !line.starts_with(kStyle12Prefix))
        m_longLine = std::move(line);
    else
        m_queue.push_back({ ServerInput::Kind::Line, std::move(line) });
}

void ServerLineAssembler::queueRequest()
{
    m_queue.push_back({ ServerInput::Kind::TimesealRequest, {} });
}

std::optional<ServerInput> ServerLineAssembler::take()
{
    if (m_next >= m_queue.size())
        return std::nullopt;
    ServerInput input = std::move(m_queue[m_next++]);
    if (m_next == m_queue.size()) {
        m_queue.clear();
        m_next = 0;
    }
    return input;
}

void ServerLineAssembler::reset()
{
    m_partial.clear();
    m_cutting = false;
    m_cutTail.clear();
    m_longLine.clear();
    m_queue.clear();
    m_next = 0;
}

} // namespace velmorak
