#include "CPgnParser.h"

#include <algorithm>
#include <array>
#include <climits>

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
} // namespace

CPgnParser::~CPgnParser() = default;

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
    const bool commentMode = mode == PgnTokenKind::Comment;
    int c;
    for (;;) {
        const int lastBefore = m_last;
        c = readChar(commentMode);
        if (c < 0)
            return false;
        if (m_keepText)
            token.text += static_cast<char>(c);
        if (mode == PgnTokenKind::RightBracket) {
            if (c == ']')
                break;
            continue;
        }
        if (c == 0xEF && !commentMode && isByteOrderMarkTail()) {
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
    if (mode == PgnTokenKind::RightBracket)
        return single(PgnTokenKind::RightBracket);

    if (commentMode) {
        if (c == '}')
            return single(PgnTokenKind::RightBrace);
        token.value.clear();
        token.value += static_cast<char>(c);
        for (;;) {
            int next = readChar(true);
            if (next < 0)
                return false;
            if (next == '}') {
                m_input->unget();
                break;
            }
            token.value += static_cast<char>(next);
            if (m_keepText)
                token.text += static_cast<char>(next);
        }
        token.kind = PgnTokenKind::Comment;
        token.number = 0;
        return true;
    }

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
        // start of a comment. Runs without quote or backslash are copied whole.
        token.value.clear();
        for (;;) {
            std::string_view window = m_input->window();
            if (window.empty())
                return false;
            std::size_t run = 0;
            while (run < window.size() && window[run] != '"' && window[run] != '\\')
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
            m_input->consume(run + 1);
            m_last = static_cast<unsigned char>(stop);
            if (m_keepText)
                token.text += stop;
            if (stop == '"')
                break;
            int next = m_input->get();
            if (next < 0)
                return false;
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
    if (isSymbolChar(c)) {
        // ";" and "%" are no symbol characters, so a symbol is a plain run of bytes and the
        // skips of readChar never apply inside it.
        token.value.clear();
        token.value += static_cast<char>(c);
        for (;;) {
            std::string_view window = m_input->window();
            std::size_t run = 0;
            while (run < window.size() && kSymbolChars[static_cast<unsigned char>(window[run])])
                ++run;
            token.value.append(window.data(), run);
            if (run > 0)
                m_last = static_cast<unsigned char>(window[run - 1]);
            m_input->consume(run);
            if (run < window.size() || window.empty())
                break;
        }
        if (m_keepText)
            token.text += std::string_view(token.value).substr(1);
        token.kind = PgnTokenKind::Symbol;
        token.number = 0;
        return true;
    }
    // Any other byte produces nothing: the token keeps its previous content.
    m_tokenStale = true;
    return true;
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
    if (m_indexTags) {
        IndexTags& tags = *m_indexTags;
        const std::string& name = m_tagName;
        std::string* field = nullptr;
        if (name == "White")
            field = &tags.white;
        else if (name == "Black")
            field = &tags.black;
        else if (name == "Date")
            field = &tags.date;
        else if (name == "Event")
            field = &tags.event;
        else if (name == "ECO")
            field = &tags.eco;
        else if (name == "Site")
            field = &tags.site;
        else if (name == "Result")
            field = &tags.result;
        if (field)
            field->swap(value);
        return;
    }
    m_game->setTag(m_tagName, value);
}

void CPgnParser::readTags()
{
    while (is(PgnTokenKind::LeftBracket)) {
        step(PgnTokenKind::Symbol);
        if (!is(PgnTokenKind::Symbol) || m_token.value.empty())
            return;
        m_tagName = m_token.value;
        step(kNormalMode);
        if (!m_hasToken)
            return;
        m_tagValue.clear();
        if (m_token.kind == PgnTokenKind::String) {
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
            while ((c = readChar(false)) >= 0 && c != ']')
                m_tagValue += static_cast<char>(c);
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
            step(kNormalMode);
            if (!is(PgnTokenKind::RightBrace))
                return;
            step(PgnTokenKind::Symbol);
            if (m_node)
                m_node->setComment(std::move(body));
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
        if (!m_hasToken)
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
    if (is(PgnTokenKind::Asterisk))
        step(kNormalMode);
    else if (is(PgnTokenKind::Symbol) && isResultText(m_token.value))
        step(PgnTokenKind::Symbol);
    end = endOffset();
    game = std::move(m_game);
    m_node = nullptr;
    return true;
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
        for (;;) {
            std::string_view window = m_input->window();
            if (window.empty()) {
                m_hasToken = false;
                return;
            }
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
            break;
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
