#pragma once

#include <string>

#include "record/CGame.h"

namespace velmorak::fuzz {

// The tree as text: moves, NAGs and comments with their white space runs collapsed (the
// writer lays comments out anew), variations in parentheses. Iterative, so deep games do
// not exhaust the stack.
inline std::string describe(const CGame& game)
{
    std::string out;
    struct Item {
        const CGameNode* node;
        int next;
    };
    std::vector<Item> stack { { game.root(), 0 } };
    while (!stack.empty()) {
        Item& item = stack.back();
        if (item.next >= item.node->childCount()) {
            out += ')';
            stack.pop_back();
            continue;
        }
        const CGameNode& child = *item.node->child(item.next++);
        out += '(';
        out += child.san();
        out += '$';
        out += std::to_string(child.nag());
        bool blank = true;
        for (char c : child.comment()) {
            bool isBlank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
            if (!isBlank)
                out += c;
            else if (!blank)
                out += ' ';
            blank = isBlank;
        }
        // A line break the writer puts before the closing brace ends up inside the comment.
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        stack.push_back({ &child, 0 });
    }
    return out;
}

} // namespace velmorak::fuzz
