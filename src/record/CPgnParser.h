#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "CGameReader.h"
#include "CPgnGame.h"
#include "CPgnToken.h"
#include "PgnInput.h"
#include "rules/Board.h"

namespace velmorak {

// Why the last readGame or scanGame refused a game.
struct PgnReadError {
    // Offset of the token that failed (the start offset when there was no game at all).
    std::int64_t offset = 0;
    // Longest token text kept; the rest is cut.
    static constexpr std::size_t kMaxErrorText = 80;
    // The movetext symbol or token text that failed, as read (its first kMaxErrorText bytes).
    std::string text;
    // A short English reason: "illegal move", "no game", ...
    std::string reason;
};

// Reads PGN games leniently: move numbers with any number of periods, move suffixes such as
// "!?", "%" escape lines, ";" comments, malformed tags (which end the tag section without
// failing the game), comments before and between moves, nested variations and NAGs, and the
// spellings other programs use: null moves ("--", "Z0"), castling written as a king move
// ("Kg1"), coordinate promotions ("e7e8q", "e7-e8=Q"), and results and castling written
// with Unicode dashes or the one-half sign (U+2013, U+00BD, also as Windows-1252 bytes).
// Those moves are stored in standard SAN (a null move as "--"). A game whose moves cannot be
// played is refused as a whole; no partial game is handed out.
//
// Damage does not spread: a tag pair ends at its line end (a value whose closing quote is
// missing ends there), and a comment left open ends before an empty line followed by a
// complete tag line, where the next game begins. Such a game is read as far as it goes and
// reported by lastDamage(); text after it is read as the games it belongs to.
//
// One parser reads one game at a time; it keeps no state between games except buffers
// reused to avoid allocation. Not thread-safe.
class CPgnParser : public CGameReader {
public:
    // Variations nested deeper than this make the game unreadable (protects the stack).
    static constexpr int kMaxVariationDepth = 256;

    CPgnParser() = default;
    ~CPgnParser() override;

    bool readGame(PgnInput& input, std::int64_t start, std::int64_t& end,
        std::unique_ptr<CPgnGame>& game) override;
    bool scanGame(PgnInput& input, std::int64_t start, std::int64_t& end,
        std::unique_ptr<CPgnGame>& game) override;
    bool scanIndexTags(
        PgnInput& input, std::int64_t start, std::int64_t& end, IndexTags& tags) override;

    // Shortcuts for the common shapes: a tag line `[Name "value"]` taken at once, and
    // movetext searched for the few bytes that matter instead of walked byte by byte. With
    // them off every byte goes through the lexer; both give the same games and the same
    // index, which tests, the fuzzer and the benchmark hold them to.
    void setShortcuts(bool on) { m_shortcuts = on; }
    bool shortcuts() const { return m_shortcuts; }
    std::unique_ptr<CGameReader> clone() const override;

    const PgnReadError& lastError() const { return m_error; }
    // What the last readGame or scanIndexTags/scanGame found broken in a game it still
    // handed out (a string or comment left open); the reason is empty when nothing was.
    const PgnReadError& lastDamage() const { return m_damage; }
    // The result that ended the movetext of the last game read ("1-0", "0-1", "1/2-1/2",
    // "*"), empty when none did. A game without a Result tag takes it as its Result; when
    // the game has one, the tag stands and the two may differ.
    const std::string& movetextResult() const { return m_movetextResult; }

    // --- The lexer, for tests and tools: positions reading at `start` of `input` --------
    void beginLexing(PgnInput& input, std::int64_t start);
    // Reads the next token in `mode` into `token`; false at the end of the input or inside
    // an unterminated string or comment. An unknown character leaves `token` as it was
    // (apart from its text) and still returns true.
    bool nextToken(PgnLexMode mode, CPgnToken& token);
    // The current token; false when there is none.
    bool peek(CPgnToken& token) const;
    // Copies the current token out, then reads the next one in `mode`.
    bool advance(PgnLexMode mode, CPgnToken& token);

private:
    bool begin(PgnInput& input, std::int64_t start);
    // The part readGame and scanGame share: a new game with its root, and its tags read.
    bool beginGame(PgnInput& input, std::int64_t start);
    // `commentMode` reads ";" as text (inside comments and tag pairs).
    int readChar(bool commentMode);
    // Reads the digits that follow, continuing `number`; the first other byte stays unread.
    int readDigits(int number, CPgnToken& token);
    bool lex(PgnLexMode mode);
    bool isByteOrderMarkTail();
    bool lexComment();
    // Appends the ASCII `piece` a dash or one-half sign stands for to the token's value and
    // consumes the `extra` bytes of the sign after its first.
    void appendSpecial(std::string_view piece, std::size_t extra, CPgnToken& token);
    // Whether the input, at a line start, holds a complete tag line.
    bool startsTagLine();
    void noteDamage(std::string_view reason, std::string_view text, std::int64_t offset);
    // The current token is the "[" where reading recovered from an open comment.
    bool atRecoveryPoint() const
    {
        return is(PgnTokenKind::LeftBracket) && m_tokenOffset == m_recoveryOffset;
    }
    void step(PgnLexMode mode) { m_hasToken = lex(mode); }
    bool is(PgnTokenKind kind) const { return m_hasToken && m_token.kind == kind; }
    bool isResultToken() const;
    // The current token as the user wrote it, for error reports.
    std::string tokenDisplay() const;

    void readTags();
    // Takes a whole tag line after its "[" when it has the plain shape; false (nothing
    // consumed) otherwise.
    bool readPlainTagLine();
    // Takes white space and the "[" after it as the next token; false (nothing consumed)
    // when something else comes first.
    bool stepToBracket();
    // Consumes movetext up to the next byte the skipper must look at; false at the end.
    bool skipToStop();
    bool skipToStopByteByByte();
    void storeTag(std::string& value);
    void setUpPosition();
    void skipComments();
    bool readSequence();
    bool readVariation();
    bool readMoveElement();
    void skipEnPassantMark(bool afterE);
    bool fail(std::string_view reason, std::string_view text, std::int64_t offset);
    // Skips movetext up to the next game's "[" (or the end), for scanGame.
    void skipMovetext();
    std::int64_t endOffset() const;

    PgnInput* m_input = nullptr;
    std::unique_ptr<CPgnGame> m_game;
    CGameNode* m_node = nullptr;
    int m_depth = 0;
    int m_last = 0;
    CPgnToken m_token;
    bool m_hasToken = false;
    bool m_keepText = true;
    bool m_shortcuts = true;
    // The current token was met again after a byte that makes no token.
    bool m_tokenStale = false;
    // The current token was cut short by a line end (a string) or by the next game (a
    // comment).
    bool m_tokenCut = false;
    std::int64_t m_recoveryOffset = -1;
    // A Result tag with a value was read for the game.
    bool m_hasResultTag = false;
    std::string m_movetextResult;
    // Offset of the first character of the current token after its leading white space.
    std::int64_t m_tokenOffset = 0;
    std::string m_tagName;
    std::string m_tagValue;
    std::string m_symbol;
    // Set while scanning for the index: tags go here instead of into a game.
    IndexTags* m_indexTags = nullptr;
    Board m_board;
    PgnReadError m_error;
    PgnReadError m_damage;
};

} // namespace velmorak
