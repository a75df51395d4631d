#pragma once

#include <string>
#include <string_view>

namespace velmorak::test {

// The bytes a case written on one line of a case file stands for: "\n", "\r", "\t", "\\"
// and "\xHH" give the bytes a line cannot hold or that are not UTF-8; anything else is
// itself.
inline std::string unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x':
            out += char(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
            break;
        default:
            out += text[i];
        }
    }
    return out;
}

} // namespace velmorak::test
