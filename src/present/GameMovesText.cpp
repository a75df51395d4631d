#include "present/GameMovesText.h"

#include <algorithm>

#include "record/CGameNode.h"
#include "record/CPgnGame.h"

namespace velmorak {

namespace {

constexpr int kPage = 15;

void collectSpans(CGameNode* node, std::vector<GameMovesText::Span>& spans)
{
    for (int i = 0; i < node->childCount(); ++i) {
        CGameNode* child = node->child(i);
        if (child->textEnd() != 0)
            spans.push_back({ child, child->textStart(), child->textEnd() });
        collectSpans(child, spans);
    }
}

} // namespace

GameMovesText::GameMovesText(CPgnGame& game, Parts parts, int width)
{
    const PgnFormat saved = game.getFormat();
    game.setFormat({ width, parts.tags, parts.lines, parts.comments, false, true });
    const std::string pgn = game.toString();
    game.setFormat(saved);

    std::vector<Span> spans;
    collectSpans(game.root(), spans);
    // Carriage returns go; every offset after one moves back by one.
    std::vector<int> shift(pgn.size() + 2, 0);
    int removed = 0;
    m_text.reserve(pgn.size());
    for (std::size_t i = 0; i < pgn.size(); ++i) {
        shift[i] = removed;
        if (pgn[i] == '\r' && i + 1 < pgn.size() && pgn[i + 1] == '\n')
            ++removed;
        else
            m_text += pgn[i];
    }
    shift[pgn.size()] = shift[pgn.size() + 1] = removed;
    auto shown = [&](int offset) {
        const std::size_t at = std::min<std::size_t>(std::size_t(std::max(offset, 0)), pgn.size());
        return offset - shift[at];
    };
    // The writer's span starts one past where the move's output began (its number, or the
    // space or line break before it) and ends two past its last character.
    for (const Span& span : spans) {
        int start = shown(span.start - 1);
        while (start < int(m_text.size()) &&
            (m_text[std::size_t(start)] == ' ' || m_text[std::size_t(start)] == '\n'))
            ++start;
        m_spans.push_back({ span.node, start, shown(span.end - 1) });
    }
}

std::optional<GameMovesText::Span> GameMovesText::spanOf(const CGameNode* node) const
{
    for (const Span& span : m_spans)
        if (span.node == node)
            return span;
    return std::nullopt;
}

std::optional<GameMovesText::Span> GameMovesText::moveAt(int offset) const
{
    for (const Span& span : m_spans)
        if (span.start <= offset && offset < span.end)
            return span;
    return std::nullopt;
}

std::optional<GameMovesText::Span> GameMovesText::moveBefore(int offset) const
{
    std::optional<Span> best;
    for (const Span& span : m_spans)
        if (span.end <= offset && (!best || span.start > best->start))
            best = span;
    return best;
}

std::optional<GameMovesText::Span> GameMovesText::moveAfter(int offset) const
{
    std::optional<Span> best;
    for (const Span& span : m_spans)
        if (span.start > offset && (!best || span.start < best->start))
            best = span;
    return best;
}

int GameMovesText::lineOf(int offset) const
{
    const auto end = m_text.begin() + std::clamp<std::ptrdiff_t>(offset, 0, std::ssize(m_text));
    return int(std::count(m_text.begin(), end, '\n'));
}

int GameMovesText::lineCount() const
{
    return lineOf(int(m_text.size())) + 1;
}

int firstShownLine(int line, int lineCount)
{
    int first = 0;
    while (line - kPage > 7 && lineCount - kPage > 13) {
        first += kPage;
        line -= kPage;
        lineCount -= kPage;
    }
    while (line > 7 && lineCount > 13) {
        ++first;
        --line;
        --lineCount;
    }
    return first;
}

} // namespace velmorak
