#pragma once

#include <string>

namespace velmorak {

// Token kinds of the PGN lexer, with the values the reader's modes use.
enum class PgnTokenKind {
    Unknown = 0,
    String = 1,
    Int = 2,
    Period = 3,
    Asterisk = 4,
    LeftBracket = 5,
    RightBracket = 6,
    LeftBrace = 7,
    RightBrace = 8,
    Comment = 9,
    LeftParenthesis = 10,
    RightParenthesis = 11,
    LeftAngle = 12,
    RightAngle = 13,
    Nag = 14,
    Symbol = 15,
};

// Lexer modes: RightBracket skips to the closing bracket, Comment reads a brace comment's
// body, Symbol lets digits start a symbol; Normal (and every other kind) lexes normally.
using PgnLexMode = PgnTokenKind;
inline constexpr PgnLexMode kNormalMode = PgnTokenKind::Unknown;

struct CPgnToken {
    PgnTokenKind kind = PgnTokenKind::Unknown;
    // Every character consumed for the token, the white space before it included.
    std::string text;
    // The symbol, the unescaped string content or the comment body; empty otherwise.
    std::string value;
    // The value of INT and NAG tokens.
    int number = 0;
};

} // namespace velmorak
