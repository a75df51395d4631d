#include "CDatabaseTail.h"

namespace velmorak {

namespace {
bool isResultToken(std::string_view text)
{
    return text == "1-0" || text == "0-1" || text == "1/2-1/2" || text == "*";
}

void appendCapped(std::string& text, char c, std::size_t limit)
{
    // One past the limit marks the text as too long to be anything we look for.
    if (text.size() <= limit)
        text.push_back(c);
}
} // namespace

void CDatabaseTail::endToken()
{
    if (m_token.empty())
        return;
    if (isResultToken(m_token)) {
        m_open = false;
        m_depth = 0;
    } else {
        m_open = true;
    }
    m_inTags = false;
    m_token.clear();
}

void CDatabaseTail::endTag()
{
    if (m_tagName == "Result")
        m_result = m_tagValue;
    m_tagName.clear();
    m_tagValue.clear();
    m_state = State::Movetext;
}

void CDatabaseTail::feed(std::string_view bytes)
{
    for (char c : bytes) {
        const bool lineStart = m_lineStart;
        m_lineStart = c == '\n';
        if (c == '\n')
            m_crlf = m_last == '\r';
        m_last = c;
        switch (m_state) {
        case State::Brace:
            if (c == '}')
                m_state = State::Movetext;
            continue;
        case State::LineComment:
            if (c == '\n')
                m_state = State::Movetext;
            continue;
        case State::Tag:
            if (c == '"')
                m_state = State::TagString;
            else if (c == ']')
                endTag();
            else if (c != ' ' && c != '\t')
                appendCapped(m_tagName, c, kMaxTagText);
            continue;
        case State::TagString:
            if (c == '\\')
                m_state = State::TagEscape;
            else if (c == '"')
                m_state = State::TagRest;
            else
                appendCapped(m_tagValue, c, kMaxTagText);
            continue;
        case State::MoveString:
            if (c == '\\')
                m_state = State::MoveStringEscape;
            else if (c == '"')
                m_state = State::Movetext;
            continue;
        case State::MoveStringEscape:
            m_state = State::MoveString;
            continue;
        case State::TagRest:
            // The reader skips whatever follows the value up to the bracket, quotes too
            // (a value cut at an inner quote, or ended by an escaped one).
            if (c == ']')
                endTag();
            continue;
        case State::TagEscape:
            appendCapped(m_tagValue, c, kMaxTagText);
            m_state = State::TagString;
            continue;
        case State::Movetext:
            break;
        }
        switch (c) {
        case '{':
            endToken();
            m_state = State::Brace;
            m_open = true;
            break;
        case ';':
            endToken();
            m_state = State::LineComment;
            break;
        case '(':
            endToken();
            ++m_depth;
            m_open = true;
            break;
        case ')':
            endToken();
            m_depth = m_depth > 0 ? m_depth - 1 : 0;
            break;
        case '[':
            endToken();
            if (!m_inTags)
                m_result.clear(); // the first tag of a new game
            m_inTags = true;
            m_open = true;
            m_depth = 0;
            m_state = State::Tag;
            break;
        case '%':
            if (lineStart && m_token.empty()) {
                m_state = State::LineComment;
                break;
            }
            appendCapped(m_token, c, kMaxToken);
            break;
        case '"':
            // The reader takes a quote in movetext as the start of a string, up to the next
            // quote, whatever lies between.
            endToken();
            m_state = State::MoveString;
            m_open = true;
            break;
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case ']':
        case '}':
            endToken();
            break;
        default:
            appendCapped(m_token, c, kMaxToken);
            break;
        }
    }
}

Result<std::string> CDatabaseTail::closingText() const
{
    if (m_state == State::Tag || m_state == State::TagString || m_state == State::TagEscape ||
        m_state == State::TagRest)
        return Error { ErrorKind::InvalidInput, "the file ends inside a tag" };
    CDatabaseTail rest = *this;
    rest.endToken();
    const char* lineBreak = m_crlf ? "\r\n" : "\n";
    std::string text;
    if (m_state == State::Brace)
        text += "}";
    else if (m_state == State::MoveString)
        text += "\"";
    else if (m_state == State::MoveStringEscape)
        text += " \""; // the blank is the escaped character
    else if (m_state == State::LineComment)
        text += lineBreak;
    if (rest.m_open) {
        text.append(std::size_t(rest.m_depth), ')');
        const char last = text.empty() ? m_last : text.back();
        if (last != ' ' && last != '\n' && last != '\t' && last != '\r')
            text += ' ';
        text += isResultToken(rest.m_result) ? rest.m_result : "*";
    }
    if (!text.empty() || m_last != '\n')
        text += lineBreak;
    return text;
}

} // namespace velmorak
