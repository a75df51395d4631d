#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "CGame.h"

namespace velmorak {

// The comment the server client gives the root of a game it builds; not the user's text.
inline constexpr std::string_view kRootPlaceholderComment = "rootnode";

// A game that renders itself as PGN text, in the layout set by setFormat (CGame): tag
// section, movetext filled to the line width with move numbers, NAGs, comments and
// variations, the result, CR LF line breaks. Rendering also records on every written node
// the span of characters its move text occupies (see CGameNode::textStart), for mapping a
// tap in the shown text to a move.
class CPgnGame : public CGame {
public:
    CPgnGame() = default;
    ~CPgnGame() override;

    // The whole game as PGN text; refreshes every node's text span. Cannot fail.
    std::string toString() override;
    // Writes toString() byte for byte. Returns false when a write fails (the caller decides
    // what a partial file means; CDatabase never leaves one in place of a good file).
    bool toFile(std::FILE* file);

private:
    void writeLine(CGameNode* node);
    void writeMoveText(CGameNode* node);
    // The line filler: breaks lines before short words that would cross the width, lets a
    // long word (a third of the width or more) overrun the line, writes a run of blanks
    // (spaces and line breaks) as one space and drops it at the start of a line. Text it
    // wrote is thus written again as the same bytes.
    void fill(std::string_view piece);
    void newLine();

    std::string m_out;
    int m_column = 0;
    bool m_needNumber = false;
    bool m_noSpace = false;
};

// Appends value to out with every backslash and double quote escaped by a backslash and each
// line break written as a space.
void appendEscapedTagValue(std::string& out, std::string_view value);

} // namespace velmorak
