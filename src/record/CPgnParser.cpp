#include "CPgnParser.h"

#include <algorithm>
#include <array>
#include <climits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "PgnMoveResolver.h"
#include "rules/SanNotation.h"

namespace velmorak {

namespace {
constexpr std::array<bool, 256> makeSymbolTable()
{
    std::array<bool, 256> table {};
    for (int c = 'a'; c <= 'z'; ++c)
        table[std::size_t(c)] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[std::size_t(c)] = true;
    for (int c = '0'; c <= '9'; ++c)
        table[std::size_t(c)] = true;
    for (char c : std::string_view("_+#=:-!?/"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kSymbolChars = makeSymbolTable();

bool isSymbolChar(int c)
{
    return c >= 0 && kSymbolChars[std::size_t(c)];
}
bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}
bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Adds a digit to a decimal number, saturating instead of overflowing.
int addDigit(int number, int c)
{
    if (number > (INT_MAX - 9) / 10)
        return INT_MAX;
    return number * 10 + (c - '0');
}

bool startsWithPositiveNumber(const std::string& text)
{
    std::size_t i = 0;
    bool positive = false;
    while (i < text.size() && isDigit(text[i])) {
        positive |= text[i] != '0';
        ++i;
    }
    return positive;
}

bool isResultText(const std::string& text)
{
    return text == "1-0" || text == "0-1" || text == "1/2-1/2";
}

// The signs other programs write in results and castling ("1\u20130", "\u00BD-\u00BD",
// "O\u2011O"), as the ASCII they stand for: the dashes U+2010 to U+2015 and the minus sign
// U+2212 as "-", the one-half sign U+00BD as "1/2", in UTF-8 or as the Windows-1252 bytes of
// the en dash, em dash and one half. `first` is a byte of 0x80 or more, `next` the bytes
// after it; `extra` gets how many of those belong to the sign. Empty when it begins none.
std::string_view specialPiece(unsigned char first, std::string_view next, std::size_t& extra)
{
    auto at = [&](std::size_t i) {
        return i < next.size() ? static_cast<unsigned char>(next[i]) : 0;
    };
    extra = 0;
    if (first == 0xE2 &&
        ((at(0) == 0x80 && at(1) >= 0x90 && at(1) <= 0x95) || (at(0) == 0x88 && at(1) == 0x92))) {
        extra = 2;
        return "-";
    }
    if (first == 0xC2 && at(0) == 0xBD) {
        extra = 1;
        return "1/2";
    }
    if (first == 0x96 || first == 0x97)
        return "-";
    if (first == 0xBD)
        return "1/2";
    return {};
}

// A Result tag written with those signs gets the standard spelling; any other value stays.
void standardiseResult(std::string& value)
{
    std::string ascii;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c < 0x80) {
            ascii += static_cast<char>(c);
            continue;
        }
        std::size_t extra = 0;
        std::string_view piece = specialPiece(c, std::string_view(value).substr(i + 1), extra);
        if (piece.empty())
            return;
        ascii += piece;
        i += extra;
    }
    if (isResultText(ascii))
        value.swap(ascii);
}

// The NAG an annotation suffix stands for.
std::uint8_t suffixNag(std::string_view suffix)
{
    if (suffix == "!")
        return 1;
    if (suffix == "?")
        return 2;
    if (suffix == "!!")
        return 3;
    if (suffix == "??")
        return 4;
    if (suffix == "!?")
        return 5;
    if (suffix == "?!")
        return 6;
    return 0;
}

// Bytes the movetext skipper must look at: tokens that matter to it, line breaks (for
// the "%" escape rule) and the ";" comment.
constexpr std::array<bool, 256> makeSkipTable()
{
    std::array<bool, 256> table {};
    for (char c : std::string_view("[{\";%\r\n"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kSkipStops = makeSkipTable();

// The same without the line breaks: where a "%" stands, the byte before it tells whether it
// begins a line, so the skipper need not stop at every line end.
constexpr std::array<bool, 256> makeMovetextStopTable()
{
    std::array<bool, 256> table {};
    for (char c : std::string_view("[{\";%"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kMovetextStops = makeMovetextStopTable();

// The position of the first byte of "[{\";%" in data, or size when there is none. Movetext
// holds few of them, so sixteen bytes are tested at a time where the processor allows.
std::size_t findMovetextStop(const char* data, std::size_t size)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i bracket = _mm_set1_epi8('[');
    const __m128i brace = _mm_set1_epi8('{');
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i semicolon = _mm_set1_epi8(';');
    const __m128i percent = _mm_set1_epi8('%');
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, bracket), _mm_cmpeq_epi8(bytes, brace)),
                _mm_or_si128(
                    _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, semicolon)),
                    _mm_cmpeq_epi8(bytes, percent)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    while (i < size && !kMovetextStops[static_cast<unsigned char>(data[i])])
        ++i;
    return i;
}

// The bytes that end a plain run of a tag value.
constexpr std::array<bool, 256> makeStringStopTable()
{
    std::array<bool, 256> table {};
    for (char c : std::string_view("\"\\\r\n"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kStringStops = makeStringStopTable();
} // namespace

CPgnParser::~CPgnParser() = default;

std::unique_ptr<CGameReader> CPgnParser::clone() const
{
    auto copy = std::make_unique<CPgnParser>();
    copy->setShortcuts(m_shortcuts);
    return copy;
}

// --- Characters and tokens ------------------------------------------------------------------

int CPgnParser::readChar(bool commentMode)
{
    for (;;) {
        int c = m_input->get();
        if (c < 0)
            return -1;
        const bool escapeLine = c == '%' && (m_last == '\r' || m_last == '\n');
        const bool restOfLine = c == ';' && !commentMode;
        if (!escapeLine && !restOfLine) {
            m_last = c;
            return c;
        }
        do
            c = m_input->get();
        while (c >= 0 && c != '\n');
        if (c < 0)
            return -1;
        m_last = '\n';
        // Outside comments the skipped line still separates the tokens around it, so its
        // line feed is handed on as white space. Inside a comment nothing of it remains.
        if (!commentMode)
            return '\n';
    }
}

int CPgnParser::readDigits(int number, CPgnToken& token)
{
    for (;;) {
        int next = readChar(false);
        if (!isDigit(next)) {
            if (next >= 0)
                m_input->unget();
            return number;
        }
        if (m_keepText)
            token.text += static_cast<char>(next);
        number = addDigit(number, next);
    }
}

bool CPgnParser::isByteOrderMarkTail()
{
    std::string_view next = m_input->window(2);
    return next.size() >= 2 && static_cast<unsigned char>(next[0]) == 0xBB &&
        static_cast<unsigned char>(next[1]) == 0xBF;
}

bool CPgnParser::lex(PgnLexMode mode)
{
    CPgnToken& token = m_token;
    token.text.clear();
    m_tokenStale = false;
    m_tokenCut = false;
    if (mode == PgnTokenKind::Comment)
        return lexComment();
    // The rest of a tag pair after its value: a ";" there is text, and the pair ends at its
    // line end even without its "]", so that a broken pair never swallows the next line.
    const bool tagMode = mode == PgnTokenKind::RightBracket;
    int c;
    for (;;) {
        const int lastBefore = m_last;
        c = readChar(tagMode);
        if (c < 0)
            return false;
        if (tagMode) {
            if (c == '\n' || c == '\r') {
                m_input->unget();
                m_last = lastBefore;
                break;
            }
            if (m_keepText)
                token.text += static_cast<char>(c);
            if (c == ']')
                break;
            continue;
        }
        if (m_keepText)
            token.text += static_cast<char>(c);
        if (c == 0xEF && isByteOrderMarkTail()) {
            // A UTF-8 byte-order mark, where files written by some programs begin (or where
            // such files were joined), separates tokens like white space.
            m_input->consume(2);
            // The mark is transparent: a "%" right after it still starts an escape line.
            m_last = lastBefore;
            continue;
        }
        if (!isSpace(c))
            break;
    }
    m_tokenOffset = m_input->offset() - 1;
    auto single = [&](PgnTokenKind kind) {
        token.kind = kind;
        token.value.clear();
        token.number = 0;
        return true;
    };
    if (tagMode)
        return single(PgnTokenKind::RightBracket);

    switch (c) {
    case '>':
        return single(PgnTokenKind::RightAngle);
    case '[':
        return single(PgnTokenKind::LeftBracket);
    case ']':
        return single(PgnTokenKind::RightBracket);
    case '{':
        return single(PgnTokenKind::LeftBrace);
    case '}':
        return single(PgnTokenKind::RightBrace);
    case '<':
        return single(PgnTokenKind::LeftAngle);
    case '(':
        return single(PgnTokenKind::LeftParenthesis);
    case ')':
        return single(PgnTokenKind::RightParenthesis);
    case '*':
        return single(PgnTokenKind::Asterisk);
    case '.':
        return single(PgnTokenKind::Period);
    case '"': {
        // Strings are read as they stand: a ";" or "%" inside a tag value is text, not the
        // start of a comment. Runs without quote or backslash are copied whole. A string
        // ends at its line end at the latest: a missing closing quote must not take the
        // following lines, and with them the next tags or games, into a value.
        const std::int64_t stringOffset = m_tokenOffset;
        auto cut = [&] {
            noteDamage("unterminated string", token.value.substr(0, 40), stringOffset);
            m_tokenCut = true;
            token.kind = PgnTokenKind::String;
            token.number = 0;
            return true;
        };
        token.value.clear();
        for (;;) {
            std::string_view window = m_input->window();
            if (window.empty()) {
                noteDamage("unterminated string", token.value.substr(0, 40), stringOffset);
                return false;
            }
            std::size_t run = 0;
            while (run < window.size() && window[run] != '"' && window[run] != '\\' &&
                window[run] != '\n' && window[run] != '\r')
                ++run;
            token.value.append(window.data(), run);
            if (m_keepText)
                token.text.append(window.data(), run);
            if (run == window.size()) {
                m_last = static_cast<unsigned char>(window[run - 1]);
                m_input->consume(run);
                continue;
            }
            const char stop = window[run];
            if (stop == '\n' || stop == '\r') {
                if (run > 0)
                    m_last = static_cast<unsigned char>(window[run - 1]);
                m_input->consume(run);
                return cut();
            }
            m_input->consume(run + 1);
            m_last = static_cast<unsigned char>(stop);
            if (m_keepText)
                token.text += stop;
            if (stop == '"')
                break;
            int next = m_input->get();
            if (next < 0) {
                noteDamage("unterminated string", token.value.substr(0, 40), stringOffset);
                return false;
            }
            if (next == '\n' || next == '\r') {
                m_input->unget();
                return cut();
            }
            m_last = next;
            if (m_keepText)
                token.text += static_cast<char>(next);
            token.value += static_cast<char>(next);
        }
        token.kind = PgnTokenKind::String;
        token.number = 0;
        return true;
    }
    case '$': {
        int number = readDigits(0, token);
        token.kind = PgnTokenKind::Nag;
        token.value.clear();
        token.number = number;
        return true;
    }
    default:
        break;
    }

    if (isDigit(c) && mode != PgnTokenKind::Symbol) {
        int number = readDigits(c - '0', token);
        token.kind = PgnTokenKind::Int;
        token.value.clear();
        token.number = number;
        return true;
    }
    std::size_t extra = 0;
    std::string_view special;
    if (c >= 0x80)
        special = specialPiece(static_cast<unsigned char>(c), m_input->window(2), extra);
    if (isSymbolChar(c) || !special.empty()) {
        // ";" and "%" are no symbol characters, so a symbol is a plain run of bytes and the
        // skips of readChar never apply inside it.
        token.value.clear();
        if (special.empty())
            token.value += static_cast<char>(c);
        else
            appendSpecial(special, extra, token);
        for (;;) {
            std::string_view window = m_input->window();
            std::size_t run = 0;
            while (run < window.size() && kSymbolChars[static_cast<unsigned char>(window[run])])
                ++run;
            token.value.append(window.data(), run);
            if (m_keepText)
                token.text.append(window.data(), run);
            if (run > 0)
                m_last = static_cast<unsigned char>(window[run - 1]);
            m_input->consume(run);
            if (window.empty())
                break;
            if (run == window.size())
                continue;
            // Only a dash or one-half sign continues the symbol past its plain run.
            const auto stop = static_cast<unsigned char>(window[run]);
            if (stop < 0x80)
                break;
            m_input->get();
            special = specialPiece(stop, m_input->window(2), extra);
            if (special.empty()) {
                m_input->unget();
                break;
            }
            m_last = stop;
            if (m_keepText)
                token.text += static_cast<char>(stop);
            appendSpecial(special, extra, token);
        }
        token.kind = PgnTokenKind::Symbol;
        token.number = 0;
        return true;
    }
    // Any other byte produces nothing: the token keeps its previous content.
    m_tokenStale = true;
    return true;
}

bool CPgnParser::lexComment()
{
    CPgnToken& token = m_token;
    const std::int64_t braceOffset = m_tokenOffset;
    token.value.clear();
    token.number = 0;
    bool started = false;
    // An empty line followed by a complete tag line ends a comment left open: that is where
    // the next game begins. The line that holds the "{" is not empty, so the empty line lies
    // wholly inside the comment, and this program's writer never puts one there.
    bool lineBlank = false;
    for (;;) {
        int c = readChar(true);
        if (c < 0) {
            noteDamage("unterminated comment", "{", braceOffset);
            return false;
        }
        if (c == '\n') {
            if (lineBlank && startsTagLine()) {
                noteDamage("unterminated comment", "{", braceOffset);
                m_recoveryOffset = m_input->offset();
                m_tokenCut = true;
                if (!started)
                    m_tokenOffset = m_recoveryOffset;
                break;
            }
            lineBlank = true;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            lineBlank = false;
        }
        if (started && c == '}') {
            // The brace stays unread: it is the next token.
            m_input->unget();
            break;
        }
        if (m_keepText)
            token.text += static_cast<char>(c);
        if (!started) {
            // White space at the start of the body is dropped.
            if (isSpace(c))
                continue;
            m_tokenOffset = m_input->offset() - 1;
            if (c == '}') {
                token.kind = PgnTokenKind::RightBrace;
                return true;
            }
            started = true;
        }
        token.value += static_cast<char>(c);
    }
    token.kind = PgnTokenKind::Comment;
    return true;
}

void CPgnParser::appendSpecial(std::string_view piece, std::size_t extra, CPgnToken& token)
{
    token.value += piece;
    if (extra == 0)
        return;
    std::string_view rest = m_input->window(extra);
    if (m_keepText)
        token.text.append(rest.data(), extra);
    m_last = static_cast<unsigned char>(rest[extra - 1]);
    m_input->consume(extra);
}

bool CPgnParser::startsTagLine()
{
    // Longer tag lines are not recognised as the start of a game; reading then goes on
    // inside the comment as it always did.
    constexpr std::size_t kTagLineLookahead = 512;
    std::string_view line = m_input->window();
    if (line.empty() || line[0] != '[')
        return false;
    line = m_input->window(kTagLineLookahead);
    const std::size_t lineEnd = line.find('\n');
    if (lineEnd == std::string_view::npos && line.size() >= kTagLineLookahead)
        return false;
    line = line.substr(0, lineEnd);
    // "[", a name that starts with a letter, blanks, a quote ...
    std::size_t at = 1;
    if (at >= line.size() ||
        !((line[at] >= 'A' && line[at] <= 'Z') || (line[at] >= 'a' && line[at] <= 'z')))
        return false;
    while (at < line.size() && isSymbolChar(static_cast<unsigned char>(line[at])))
        ++at;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    if (at >= line.size() || line[at] != '"')
        return false;
    // ... and a closing quote and bracket at the end of the line.
    std::size_t last = line.size();
    while (last > at && (line[last - 1] == ' ' || line[last - 1] == '\t' || line[last - 1] == '\r'))
        --last;
    return last >= at + 3 && line[last - 1] == ']' && line[last - 2] == '"';
}

void CPgnParser::noteDamage(std::string_view reason, std::string_view text, std::int64_t offset)
{
    // The first damage is the one to report: what follows it is often its consequence.
    if (!m_damage.reason.empty())
        return;
    m_damage.reason = std::string(reason);
    m_damage.text = std::string(text);
    m_damage.offset = offset;
}

void CPgnParser::beginLexing(PgnInput& input, std::int64_t start)
{
    begin(input, start);
    m_hasToken = false;
}

bool CPgnParser::nextToken(PgnLexMode mode, CPgnToken& token)
{
    bool ok = lex(mode);
    token = m_token;
    return ok;
}

bool CPgnParser::peek(CPgnToken& token) const
{
    if (!m_hasToken)
        return false;
    token = m_token;
    return true;
}

bool CPgnParser::advance(PgnLexMode mode, CPgnToken& token)
{
    if (!m_hasToken)
        return false;
    token = m_token;
    step(mode);
    return true;
}

std::string CPgnParser::tokenDisplay() const
{
    switch (m_token.kind) {
    case PgnTokenKind::Int:
        return std::to_string(m_token.number);
    case PgnTokenKind::Nag: {
        std::string text(1, '$');
        text += std::to_string(m_token.number);
        return text;
    }
    case PgnTokenKind::String:
    case PgnTokenKind::Symbol:
    case PgnTokenKind::Comment:
        return m_token.value;
    default:
        break;
    }
    static constexpr const char* kSingle[] = { "", "", "", ".", "*", "[", "]", "{", "}", "", "(",
        ")", "<", ">", "", "" };
    return kSingle[static_cast<int>(m_token.kind)];
}

bool CPgnParser::isResultToken() const
{
    if (!m_hasToken)
        return false;
    return m_token.kind == PgnTokenKind::Asterisk ||
        (m_token.kind == PgnTokenKind::Symbol && isResultText(m_token.value));
}

// --- Games ----------------------------------------------------------------------------------

bool CPgnParser::begin(PgnInput& input, std::int64_t start)
{
    m_input = &input;
    m_depth = 0;
    m_error = {};
    m_error.offset = start;
    m_damage = {};
    m_recoveryOffset = -1;
    m_hasResultTag = false;
    m_movetextResult.clear();
    m_hasToken = false;
    m_keepText = true;
    m_token.kind = PgnTokenKind::Unknown;
    m_token.value.clear();
    m_token.number = 0;
    // A game starts on a line of its own as far as "%" escape lines are concerned: the
    // start of the input counts as a line start, elsewhere the byte before decides.
    m_last = '\n';
    if (start > 0 && input.seek(start - 1))
        m_last = input.get();
    return input.seek(start);
}

bool CPgnParser::fail(std::string_view reason, std::string_view text, std::int64_t offset)
{
    m_error.reason = std::string(reason);
    // A token can be a megabyte long; a message quotes its start.
    m_error.text = std::string(text.substr(0, PgnReadError::kMaxErrorText));
    m_error.offset = offset;
    m_game.reset();
    m_node = nullptr;
    return false;
}

std::int64_t CPgnParser::endOffset() const
{
    return m_hasToken ? m_tokenOffset : m_input->offset();
}

void CPgnParser::storeTag(std::string& value)
{
    if (m_tagName == "Result") {
        standardiseResult(value);
        m_hasResultTag |= !value.empty();
    }
    if (m_indexTags) {
        IndexTags& tags = *m_indexTags;
        const std::string& name = m_tagName;
        std::string* field = nullptr;
        // Games carry a dozen tags or more and the index keeps seven: the length sorts most
        // names out before any comparison.
        switch (name.size()) {
        case 3:
            if (name == "ECO")
                field = &tags.eco;
            break;
        case 4:
            if (name == "Date")
                field = &tags.date;
            else if (name == "Site")
                field = &tags.site;
            break;
        case 5:
            if (name == "White")
                field = &tags.white;
            else if (name == "Black")
                field = &tags.black;
            else if (name == "Event")
                field = &tags.event;
            break;
        case 6:
            if (name == "Result")
                field = &tags.result;
            break;
        default:
            break;
        }
        if (field)
            field->swap(value);
        return;
    }
    m_game->setTag(m_tagName, value);
}

bool CPgnParser::readPlainTagLine()
{
    // The lexer would take the name as a symbol, the blanks, the string up to its closing
    // quote and the "]" as the rest of the pair, leaving the "]" as the current token. Any
    // other shape, or a line the buffer does not hold whole, goes the long way.
    const std::string_view line = m_input->window();
    std::size_t at = 0;
    while (at < line.size() && kSymbolChars[static_cast<unsigned char>(line[at])])
        ++at;
    const std::size_t nameEnd = at;
    if (nameEnd == 0)
        return false;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    if (at >= line.size() || line[at] != '"')
        return false;
    const std::size_t valueStart = ++at;
    while (at < line.size() && !kStringStops[static_cast<unsigned char>(line[at])])
        ++at;
    if (at + 1 >= line.size() || line[at] != '"' || line[at + 1] != ']')
        return false;
    m_tagName.assign(line.data(), nameEnd);
    m_tagValue.assign(line.data() + valueStart, at - valueStart);
    m_input->consume(at + 2);
    m_last = ']';
    m_token.kind = PgnTokenKind::RightBracket;
    m_token.value.clear();
    m_token.number = 0;
    return true;
}

bool CPgnParser::stepToBracket()
{
    // What the lexer does with line breaks and blanks followed by a "[".
    const std::string_view next = m_input->window();
    std::size_t at = 0;
    while (at < next.size() && isSpace(static_cast<unsigned char>(next[at])))
        ++at;
    if (at >= next.size() || next[at] != '[')
        return false;
    if (m_keepText)
        m_token.text.assign(next.data(), at + 1);
    else
        m_token.text.clear();
    m_input->consume(at + 1);
    m_last = '[';
    m_tokenOffset = m_input->offset() - 1;
    m_token.kind = PgnTokenKind::LeftBracket;
    m_token.value.clear();
    m_token.number = 0;
    m_tokenStale = false;
    m_tokenCut = false;
    m_hasToken = true;
    return true;
}

void CPgnParser::readTags()
{
    while (is(PgnTokenKind::LeftBracket)) {
        // A bracket met again after a stray byte is not where the input stands.
        if (m_shortcuts && !m_tokenStale && readPlainTagLine()) {
            if (!stepToBracket())
                step(PgnTokenKind::Symbol);
            storeTag(m_tagValue);
            continue;
        }
        step(PgnTokenKind::Symbol);
        if (!is(PgnTokenKind::Symbol) || m_token.value.empty())
            return;
        m_tagName = m_token.value;
        step(kNormalMode);
        if (!m_hasToken)
            return;
        // A name alone on its line has no value: what follows on the next line (often the
        // next tag) is read as what it is.
        if (m_token.kind != PgnTokenKind::String && m_token.kind != PgnTokenKind::RightBracket &&
            m_token.text.find_first_of("\r\n") != std::string::npos)
            continue;
        m_tagValue.clear();
        if (m_token.kind == PgnTokenKind::String && m_tokenCut) {
            // The closing quote is missing: the value runs to the line end, where a "]"
            // closes the pair.
            m_tagValue = m_token.value;
            auto trimBlanks = [&] {
                while (
                    !m_tagValue.empty() && (m_tagValue.back() == ' ' || m_tagValue.back() == '\t'))
                    m_tagValue.pop_back();
            };
            trimBlanks();
            if (!m_tagValue.empty() && m_tagValue.back() == ']')
                m_tagValue.pop_back();
            trimBlanks();
        } else if (m_token.kind == PgnTokenKind::String) {
            m_tagValue = m_token.value;
            step(PgnTokenKind::RightBracket);
            if (!is(PgnTokenKind::RightBracket))
                return;
            // A quote among the skipped characters means the value was cut at an unescaped
            // inner quote: take the rest back, up to the last quote before the bracket.
            const std::string& skipped = m_token.text;
            std::size_t lastQuote = skipped.rfind('"');
            if (lastQuote != std::string::npos) {
                m_tagValue += '"';
                m_tagValue.append(skipped, 0, lastQuote);
            }
        } else if (m_token.kind != PgnTokenKind::RightBracket) {
            m_tagValue = m_token.text;
            int c;
            while ((c = readChar(true)) >= 0 && c != ']') {
                if (c == '\n' || c == '\r') {
                    m_input->unget();
                    break;
                }
                m_tagValue += static_cast<char>(c);
            }
            if (c < 0) {
                m_hasToken = false;
                return;
            }
            m_token.kind = PgnTokenKind::RightBracket;
            m_token.value.clear();
        }
        step(PgnTokenKind::Symbol);
        storeTag(m_tagValue);
    }
}

void CPgnParser::setUpPosition()
{
    const std::string& fen = m_game->getTag("FEN");
    if (fen.empty()) {
        m_board.setStartPosition();
    } else {
        // A fresh board: reading a malformed FEN over the previous game's position can keep
        // some of that position's state, and a game must not depend on the one before it.
        m_board = Board();
        m_board.setFromFen(fen);
    }
    // A FEN with a move number below 1 would give moves the numbers 0 or less, which no
    // reader takes for move numbers; such a position counts from move 1.
    int ply = 2 * (std::max(m_board.moveNumber(), 1) - 1) - 1;
    if (m_board.sideToMove() == kBlackSide)
        ++ply;
    m_game->root()->setPly(ply);
}

void CPgnParser::skipComments()
{
    while (is(PgnTokenKind::LeftBrace)) {
        step(PgnTokenKind::Comment);
        if (is(PgnTokenKind::Comment)) {
            std::string body;
            body.swap(m_token.value);
            // A comment cut short by the next game keeps what it holds.
            const bool cut = m_tokenCut;
            step(kNormalMode);
            if (!cut && !is(PgnTokenKind::RightBrace))
                return;
            if (m_node)
                m_node->setComment(std::move(body));
            if (cut)
                return;
            step(PgnTokenKind::Symbol);
        } else if (is(PgnTokenKind::RightBrace)) {
            step(PgnTokenKind::Symbol);
            if (m_node)
                m_node->setComment({});
        } else {
            return;
        }
    }
}

bool CPgnParser::readSequence()
{
    for (;;) {
        // A comment may stand where the next move or the end of the line is expected (after
        // a closed variation, before the result); it belongs to the current node.
        skipComments();
        if (!m_hasToken || atRecoveryPoint())
            return true;
        if (m_token.kind == PgnTokenKind::LeftParenthesis) {
            if (!readVariation())
                return false;
            continue;
        }
        if (m_token.kind == PgnTokenKind::RightParenthesis && m_depth > 0)
            return true;
        if (isResultToken())
            return true;
        if (!readMoveElement())
            return false;
    }
}

bool CPgnParser::readVariation()
{
    CGameNode* replaced = m_node;
    if (replaced == m_game->root())
        return fail("variation before the first move", "(", m_tokenOffset);
    if (m_depth >= kMaxVariationDepth)
        return fail("variations nested too deeply", "(", m_tokenOffset);
    step(PgnTokenKind::Symbol);
    ++m_depth;
    CGameNode* branch = replaced->parent();
    m_board.unmakeMove();
    m_node = branch;
    if (!readSequence())
        return false;
    if (is(PgnTokenKind::RightParenthesis)) {
        step(PgnTokenKind::Symbol);
        --m_depth;
        while (m_node != branch) {
            m_board.unmakeMove();
            m_node = m_node->parent();
        }
        m_board.makeMove(replaced->move());
        m_node = replaced;
    }
    // An unclosed variation (end of input or a result inside it) leaves the reader inside
    // it; the enclosing line then ends too.
    return true;
}

bool CPgnParser::readMoveElement()
{
    skipComments();
    if (is(PgnTokenKind::Int) ||
        (is(PgnTokenKind::Symbol) && startsWithPositiveNumber(m_token.value))) {
        step(kNormalMode);
        while (is(PgnTokenKind::Period))
            step(PgnTokenKind::Symbol);
    }
    skipComments();
    if (atRecoveryPoint())
        return true;
    if (!is(PgnTokenKind::Symbol)) {
        if (!m_hasToken)
            return fail("move expected at the end of the input", "", m_input->offset());
        return fail("move expected", tokenDisplay(), m_tokenOffset);
    }
    // Copied, not moved: a stray byte after the move leaves the token as it is, and the
    // reader must then meet this same symbol again.
    m_symbol = m_token.value;
    const std::int64_t symbolOffset = m_tokenOffset;
    step(PgnTokenKind::Symbol);

    Move move = resolvePgnMove(m_board, m_symbol);
    bool gluedMark = false;
    // Set when the move was written in a form other readers do not take: the node gets the
    // move's standard SAN instead.
    bool standardSan = false;
    if (move == NoMove && m_symbol.size() > 2 && m_symbol.back() == 'e' &&
        is(PgnTokenKind::Period)) {
        // "bxa6e.p.": the en-passant mark glued to the move.
        Move capture =
            resolvePgnMove(m_board, std::string_view(m_symbol).substr(0, m_symbol.size() - 1));
        if (capture != NoMove && capture.isEnPassant()) {
            move = capture;
            gluedMark = true;
            m_symbol.pop_back();
        }
    }
    if (move == NoMove) {
        move = resolveUnusualMove(m_board, m_symbol);
        standardSan = move != NoMove;
    } else if (move.isCastling() && m_symbol[0] != 'O' && m_symbol[0] != '0') {
        // Castling written as the king's move ("Ke1g1", "e1g1").
        standardSan = true;
    }
    if (move == NoMove)
        return fail("illegal or unreadable move", m_symbol, symbolOffset);
    if (move.isEnPassant())
        skipEnPassantMark(gluedMark);

    CGameNode* existing = nullptr;
    for (int i = 0; i < m_node->childCount(); ++i) {
        if (m_node->child(i)->move() == move) {
            existing = m_node->child(i);
            break;
        }
    }
    if (existing) {
        m_node = existing;
    } else {
        std::size_t cut = m_symbol.find_first_of("!?");
        std::string san(std::string_view(m_symbol).substr(0, cut));
        std::uint8_t nag = 0;
        if (cut != std::string::npos) {
            std::size_t runEnd = m_symbol.find_first_not_of("!?", cut);
            nag = suffixNag(std::string_view(m_symbol).substr(cut, runEnd - cut));
            // Text after the marks ("n?Nc3") or none before them ("!e4"): what stands before
            // the marks is no move, so the node keeps the move's own SAN, which reads back.
            if (san.empty() || runEnd != std::string::npos)
                san = writeSan(m_board, move);
        }
        if (standardSan)
            san = move == NullMove ? std::string(kNullMoveSan) : writeSan(m_board, move);
        m_node = m_node->addChild(
            std::make_unique<CGameNode>(move, std::move(san), m_node->ply() + 1, "", nag));
    }
    m_board.makeMove(move);

    skipComments();
    while (is(PgnTokenKind::Nag)) {
        m_node->setNag(static_cast<std::uint8_t>(m_token.number));
        step(PgnTokenKind::Symbol);
    }
    skipComments();
    return true;
}

void CPgnParser::skipEnPassantMark(bool afterE)
{
    // "e.p." or "ep" after an en-passant capture is a remark, not a move; the lexer sees
    // "e", ".", "p", "." (the "e" already taken when it was glued to the move).
    if (!afterE) {
        if (!is(PgnTokenKind::Symbol) || (m_token.value != "e" && m_token.value != "ep"))
            return;
        const bool whole = m_token.value == "ep";
        step(PgnTokenKind::Symbol);
        if (whole)
            return;
    }
    if (!is(PgnTokenKind::Period))
        return;
    step(PgnTokenKind::Symbol);
    if (!is(PgnTokenKind::Symbol) || m_token.value != "p")
        return;
    step(PgnTokenKind::Symbol);
    if (is(PgnTokenKind::Period))
        step(PgnTokenKind::Symbol);
}

bool CPgnParser::beginGame(PgnInput& input, std::int64_t start)
{
    m_indexTags = nullptr;
    if (!begin(input, start))
        return fail("offset outside the file", "", start);
    m_game = std::make_unique<CPgnGame>();
    m_game->setRoot(std::make_unique<CGameNode>(NoMove, "root", -1));
    m_node = m_game->root();
    step(PgnTokenKind::Symbol);
    if (!m_hasToken)
        return fail("no game", "", start);
    readTags();
    // Token texts matter only to tag values; the movetext is lexed without them.
    m_keepText = false;
    return true;
}

bool CPgnParser::readGame(
    PgnInput& input, std::int64_t start, std::int64_t& end, std::unique_ptr<CPgnGame>& game)
{
    game.reset();
    if (!beginGame(input, start))
        return false;
    setUpPosition();
    skipComments();
    if (!readSequence())
        return false;
    skipComments();
    // A result that ends an unclosed variation is no result of the game.
    const bool topLevel = m_depth == 0;
    if (is(PgnTokenKind::Asterisk)) {
        if (topLevel)
            m_movetextResult.assign(1, '*');
        step(kNormalMode);
    } else if (is(PgnTokenKind::Symbol) && isResultText(m_token.value)) {
        if (topLevel)
            m_movetextResult = m_token.value;
        step(PgnTokenKind::Symbol);
    }
    // The result of a game whose header has none would otherwise be lost on writing ("*"
    // says no more than the missing tag).
    if (!m_hasResultTag && !m_movetextResult.empty() && m_movetextResult != "*")
        m_game->setResult(m_movetextResult);
    end = endOffset();
    game = std::move(m_game);
    m_node = nullptr;
    return true;
}

bool CPgnParser::skipToStopByteByByte()
{
    for (;;) {
        std::string_view window = m_input->window();
        if (window.empty())
            return false;
        std::size_t i = 0;
        int last = m_last;
        while (i < window.size() && !kSkipStops[static_cast<unsigned char>(window[i])])
            ++i;
        if (i > 0)
            last = static_cast<unsigned char>(window[i - 1]);
        if (i == window.size()) {
            m_last = last;
            m_input->consume(i);
            continue;
        }
        const char c = window[i];
        if (c == '\r' || c == '\n' || (c == '%' && last != '\r' && last != '\n')) {
            m_last = static_cast<unsigned char>(c);
            m_input->consume(i + 1);
            continue;
        }
        m_last = last;
        m_input->consume(i);
        return true;
    }
}

bool CPgnParser::skipToStop()
{
    for (;;) {
        std::string_view window = m_input->window();
        if (window.empty())
            return false;
        const std::size_t i = findMovetextStop(window.data(), window.size());
        if (i == window.size()) {
            m_last = static_cast<unsigned char>(window.back());
            m_input->consume(i);
            continue;
        }
        const int before = i > 0 ? static_cast<unsigned char>(window[i - 1]) : m_last;
        if (window[i] == '%' && before != '\r' && before != '\n') {
            m_last = '%';
            m_input->consume(i + 1);
            continue;
        }
        m_last = before;
        m_input->consume(i);
        return true;
    }
}

void CPgnParser::skipMovetext()
{
    for (;;) {
        // A bracket or brace met again after a stray byte is no new token: the scan only
        // stops at a "[" that is really there.
        if (!m_hasToken || (m_token.kind == PgnTokenKind::LeftBracket && !m_tokenStale))
            return;
        if (m_token.kind == PgnTokenKind::LeftBrace && !m_tokenStale) {
            skipComments();
            if (is(PgnTokenKind::LeftBrace)) {
                // An unterminated comment: nothing more can be read.
                m_hasToken = false;
                return;
            }
            continue;
        }
        // Between tokens only these bytes matter: "[" and "{" start the tokens the scan
        // stops at or has to read through, a quote starts a string (which may hold either),
        // and ";" and "%" lines are skipped. Every other byte belongs to a token the scan
        // passes over, so runs of them are skipped without lexing.
        if (m_shortcuts ? !skipToStop() : !skipToStopByteByByte()) {
            m_hasToken = false;
            return;
        }
        // The next byte is "[", "{", a quote, ";" or an escape "%": the lexer takes it.
        step(PgnTokenKind::Symbol);
    }
}

bool CPgnParser::scanGame(
    PgnInput& input, std::int64_t start, std::int64_t& end, std::unique_ptr<CPgnGame>& game)
{
    game.reset();
    if (!beginGame(input, start))
        return false;
    skipMovetext();
    end = endOffset();
    game = std::move(m_game);
    m_node = nullptr;
    return true;
}

bool CPgnParser::scanIndexTags(
    PgnInput& input, std::int64_t start, std::int64_t& end, IndexTags& tags)
{
    tags.clear();
    if (!begin(input, start))
        return fail("offset outside the file", "", start);
    m_game.reset();
    m_node = nullptr;
    m_indexTags = &tags;
    step(PgnTokenKind::Symbol);
    if (!m_hasToken) {
        m_indexTags = nullptr;
        return fail("no game", "", start);
    }
    readTags();
    m_keepText = false;
    skipMovetext();
    m_indexTags = nullptr;
    end = endOffset();
    return true;
}

} // namespace velmorak
