#pragma once

#include <string>
#include <string_view>

#include "base/Error.h"

namespace velmorak {

// Reads a PGN file from its start, in pieces of any size, and tells what must be written
// after its last byte so that a game appended there stands on its own. A file cut off while
// a game was being written (a kill, a full disk, a lost power) may end inside a comment,
// a variation or a game without its result; whatever is appended would be read as part of
// that game, and every later append would vanish the same way.
//
// Only the lexical frame is followed, as the reader sees it (tags, strings, comments,
// escape lines, variations, result tokens); moves are not read. Cost: one pass over the bytes,
// constant memory.
class CDatabaseTail {
public:
    void feed(std::string_view bytes);
    // The text that closes the file's last game: "" when the file ends after a result token
    // and a line break (or holds no game), else what closes the open comment and variations,
    // the result token (that of the game's Result tag when it names one, else "*") and a line
    // break. Fails (InvalidInput) when the file ends inside a tag: there is no game to close.
    Result<std::string> closingText() const;

private:
    enum class State {
        Movetext,
        Brace,
        LineComment,
        MoveString,
        MoveStringEscape,
        Tag,
        TagString,
        TagEscape,
        TagRest,
    };
    static constexpr std::size_t kMaxToken = 8; // longer than any result token
    static constexpr std::size_t kMaxTagText = 8; // longer than "Result" and any result
    void endToken();
    void endTag();

    State m_state = State::Movetext;
    bool m_lineStart = true;
    bool m_crlf = false;
    char m_last = '\n';
    int m_depth = 0;
    bool m_open = false; // a game began and has no result token yet
    bool m_inTags = false; // the last thing read was a tag
    std::string m_token;
    std::string m_tagName;
    std::string m_tagValue;
    std::string m_result; // the open game's Result tag
};

} // namespace velmorak
