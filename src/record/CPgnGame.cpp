#include "CPgnGame.h"

#include <algorithm>

namespace velmorak {

namespace {
bool isRosterTag(std::string_view name)
{
    return std::find(std::begin(kRosterTags), std::end(kRosterTags), name) != std::end(kRosterTags);
}
} // namespace

void appendEscapedTagValue(std::string& out, std::string_view value)
{
    for (char c : value) {
        // A tag pair ends at its line's end for every reader, so a line break typed into a
        // value is written as a space rather than breaking the file.
        if (c == '\n' || c == '\r') {
            out += ' ';
            continue;
        }
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
}

CPgnGame::~CPgnGame() = default;

std::string CPgnGame::toString()
{
    resetTextSpans();
    m_out.clear();
    const PgnFormat& format = getFormat();
    if (format.writeTags) {
        auto writeTag = [&](std::string_view name, std::string_view value) {
            m_out += '[';
            m_out += name;
            m_out += " \"";
            appendEscapedTagValue(m_out, value);
            m_out += "\"]\r\n";
        };
        for (std::string_view name : kRosterTags)
            writeTag(name, getTag(name));
        for (const TagPair& tag : tags())
            if (!isRosterTag(tag.name))
                writeTag(tag.name, tag.value);
        m_out += "\r\n";
    }
    m_column = 0;
    m_needNumber = true;
    m_noSpace = false;
    if (root()) {
        // A comment before the first move is the user's text like any other: a rewrite
        // that dropped it would lose it. The server client's "rootnode" placeholder is no
        // such text.
        const std::string& intro = root()->comment();
        if (format.writeComments && !intro.empty() && intro != kRootPlaceholderComment) {
            fill(" {");
            fill(intro);
            fill("}");
        }
        writeLine(root());
    }
    // The movetext ends with one of the four results a reader knows; any other Result tag
    // (empty, "?", "+--") stays in the tag section and the movetext ends with "*".
    const std::string& result = getTag("Result");
    const bool known = result == "1-0" || result == "0-1" || result == "1/2-1/2" || result == "*";
    fill(" ");
    fill(known ? std::string_view(result) : std::string_view("*"));
    m_out += "\r\n\r\n";
    std::string text;
    text.swap(m_out);
    return text;
}

bool CPgnGame::toFile(std::FILE* file)
{
    std::string text = toString();
    if (!file)
        return false;
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

void CPgnGame::writeLine(CGameNode* node)
{
    const bool variations = getFormat().writeVariations;
    while (node->childCount() > 0) {
        writeMoveText(node->child(0));
        if (variations) {
            for (int i = 1; i < node->childCount(); ++i) {
                CGameNode* variation = node->child(i);
                fill(" (");
                m_needNumber = true;
                m_noSpace = true;
                writeMoveText(variation);
                writeLine(variation);
                fill(")");
                m_needNumber = true;
            }
        }
        node = node->child(0);
    }
}

void CPgnGame::writeMoveText(CGameNode* node)
{
    const PgnFormat& format = getFormat();
    const std::size_t before = m_out.size();
    const bool black = node->isBlackMove();
    if (!black || m_needNumber) {
        std::string number = m_noSpace ? "" : " ";
        number += std::to_string(node->moveNumber());
        number += black ? ".." : ".";
        fill(number);
    }
    m_needNumber = false;
    std::string san = " ";
    san += node->san();
    if (format.writeNagGlyphs)
        san += nagGlyph(node->nag());
    fill(san);
    if (format.writeNagNumbers && node->nag() != 0)
        fill(" $" + std::to_string(node->nag()));
    if (format.writeComments && !node->comment().empty()) {
        fill(" {");
        fill(node->comment());
        fill("}");
    }
    const int start = static_cast<int>(before);
    const int length = static_cast<int>(m_out.size() - before);
    node->setTextSpan(start + 1, start + 1 + length);
    m_noSpace = false;
}

void CPgnGame::newLine()
{
    m_out += "\r\n";
    m_column = 0;
}

void CPgnGame::fill(std::string_view piece)
{
    const int width = getFormat().lineWidth;
    auto isBlank = [](char c) { return c == ' ' || c == '\r' || c == '\n'; };
    std::size_t at = 0;
    while (at < piece.size()) {
        // A word is an optional separator and the characters up to the next blank. A run of
        // blanks, line breaks included, is one separator written as one space: the breaks this
        // filler puts into a comment are read back as part of it, and a comment must come out
        // the same however often it is read and written again.
        const bool separated = isBlank(piece[at]);
        std::size_t begin = at;
        while (begin < piece.size() && isBlank(piece[begin]))
            ++begin;
        std::size_t end = begin;
        while (end < piece.size() && !isBlank(piece[end]))
            ++end;
        const int length = static_cast<int>(end - begin) + (separated ? 1 : 0);
        if (length + m_column > width && length < width / 3)
            newLine();
        // Lines are broken between words only: a break inside a long word (a link in a
        // comment, say) would change the text that is read back.
        if (m_column > width)
            newLine();
        if (separated && m_column > 0) {
            m_out += ' ';
            ++m_column;
        }
        for (std::size_t i = begin; i < end; ++i) {
            // A "%" at the start of a line makes the line an escape line that readers drop:
            // a blank in front keeps a comment such as "55 %" intact.
            if (m_column == 0 && piece[i] == '%') {
                m_out += ' ';
                ++m_column;
            }
            m_out += piece[i];
            ++m_column;
        }
        at = end;
    }
}

} // namespace velmorak
