#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "record/CPgnGame.h"
#include "record/CPgnParser.h"
#include "record/PgnInput.h"

namespace velmorak::test {

// Reads the first game of `text`; null when the reader refuses it.
inline std::unique_ptr<CPgnGame> readPgn(std::string_view text)
{
    PgnInput input;
    input.openText(text);
    CPgnParser parser;
    std::unique_ptr<CPgnGame> game;
    std::int64_t end = 0;
    parser.readGame(input, 0, end, game);
    return game;
}

// The moves of the tree in pre-order with their structure: "e4 (e5 Nf3) (c5)"-like text,
// with NAGs and comments, so two trees compare as one string.
inline void describeTree(const CGameNode& node, std::string& out)
{
    for (int i = 0; i < node.childCount(); ++i) {
        const CGameNode& child = *node.child(i);
        out += i == 0 ? " " : " (";
        out += child.san();
        if (child.nag())
            out.append("$").append(std::to_string(child.nag()));
        if (!child.comment().empty()) {
            // Line breaks and runs of blanks inside a comment are layout, not content.
            out += "{";
            bool blank = false;
            for (char c : child.comment()) {
                bool isBlank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
                if (isBlank && !blank)
                    out += ' ';
                else if (!isBlank)
                    out += c;
                blank = isBlank;
            }
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            out += "}";
        }
        if (i > 0) {
            describeTree(child, out);
            out += ")";
        }
    }
    if (node.childCount() > 0)
        describeTree(*node.child(0), out);
}

inline std::string treeText(const CGame& game)
{
    std::string out;
    describeTree(*game.root(), out);
    return out;
}

} // namespace velmorak::test
