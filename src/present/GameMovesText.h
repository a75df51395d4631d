#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmorak {

class CGameNode;
class CPgnGame;

// A game as the "Moves" dialog and the database sheet show it: its PGN text in a narrow
// column (NAGs as glyphs), with where each move's text lies, so that a tap or a selection
// maps to a move and a move to what to select. The text has "\n" line ends; offsets are
// bytes of text().
class GameMovesText {
public:
    struct Parts {
        bool tags = true;
        bool comments = true;
        bool lines = true;
    };
    // The move's text: its number when written, SAN, glyph and comment, [start, end) in
    // text().
    struct Span {
        CGameNode* node = nullptr;
        int start = 0;
        int end = 0;
    };
    // The "Moves" dialog's column; the database sheet's is 36.
    static constexpr int kDialogWidth = 30;

    // Renders `game` with the chosen parts. The game's own format (what saving writes) is
    // left as it was, and the spans are kept here: a later rendering of the game for
    // another purpose does not move them.
    GameMovesText(CPgnGame& game, Parts parts, int width = kDialogWidth);

    const std::string& text() const { return m_text; }
    // Where `node`'s move is shown; nullopt for the root and for moves not shown (a
    // variation while lines are off).
    std::optional<Span> spanOf(const CGameNode* node) const;
    // The move whose text holds `offset` (the middle of a selection); nullopt between moves.
    std::optional<Span> moveAt(int offset) const;
    // The move a tap with the caret at `offset` means: the one holding the character two
    // past it, so a tap just before a move's number takes that move.
    std::optional<Span> moveAtCaret(int offset) const { return moveAt(offset + 2); }

    // The move shown before or after the one at `offset` in reading order; nullopt at the
    // ends.
    std::optional<Span> moveBefore(int offset) const;
    std::optional<Span> moveAfter(int offset) const;

    // 0-based line of `offset`, and the number of lines.
    int lineOf(int offset) const;
    int lineCount() const;

private:
    std::string m_text;
    // Pre-order, root excluded; only moves that were written.
    std::vector<Span> m_spans;
};

// The first line to show so that line `line` of `lineCount` is in view in a 15-line window:
// whole pages of 15 while the line is more than 7 lines further down a page and the rest of
// the text fills more than 13 lines, then single lines on the same terms.
int firstShownLine(int line, int lineCount);

} // namespace velmorak
