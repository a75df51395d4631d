#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "record/CPgnParser.h"
#include "support/PgnScan.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

using test::readPgn;
using test::treeText;

TEST(PgnReader, MovetextShapesGiveTheExpectedTree)
{
    struct Row {
        const char* name;
        const char* pgn;
        const char* tree;
    } rows[] = {
        { "plain", "1.e4 e5 2.Nf3 *", " e4 e5 Nf3" },
        { "numbers with spaces and periods", "1. e4 1... e5 2 . Nf3 *", " e4 e5 Nf3" },
        { "suffix gives NAG", "1.e4!? *", " e4$5" },
        { "NAG token", "1.e4 $5 *", " e4$5" },
        { "last NAG wins", "1.e4!? $1 *", " e4$1" },
        { "unknown suffix", "1.e4!!? *", " e4" },
        { "text after the marks", "1.e4 n?Nc6 *", " e4 Nc6$2" },
        { "byte-order mark", "\xEF\xBB\xBF[Event \"x\"]\n1.e4 e5 *", " e4 e5" },
        { "last comment wins", "1.e4 {A} {B} *", " e4{B}" },
        { "empty comment clears", "1.e4 {A} {} *", " e4" },
        { "variation", "1.e4 e5 (1...c5 2.Nf3) 2.Nf3 *", " e4 e5 (c5 Nf3) Nf3" },
        { "variation repeating the main move", "1.e4 (1.e4 c5) e5 *", " e4 c5 (e5)" },
        { "nested variations", "1.e4 e5 (1...c5 2.Nf3 (2.c3 d5) d6) 2.Nf3 *",
            " e4 e5 (c5 Nf3 (c3 d5) d6) Nf3" },
        { "comment opening a variation", "{before} 1.e4 e5 ({branch} 1...c5) *",
            " e4{branch} e5 (c5)" },
        { "comment after a closed variation", "1.e4 e5 (1...c5) {after} 2.Nf3 *",
            " e4 e5{after} (c5) Nf3" },
        { "result inside a variation ends the game", "1.e4 e5 (1...c5 1-0) 2.Nf3", " e4 e5 (c5)" },
        { "unclosed variation at the end", "1.e4 e5 (1...c5 2.Nf3", " e4 e5 (c5 Nf3)" },
        { "escape line", "1.e4\n% 1...d5 skipped\n1...e5 *", " e4 e5" },
        { "semicolon comment", "1.e4 ; 1...d5 skipped\n e5 *", " e4 e5" },
        { "semicolon kept in brace comment", "1.e4 {a ; b} e5 *", " e4{a ; b} e5" },
        { "escape line inside a comment", "1.e4 {a\n%gone}\nb} e5 *", " e4{a b} e5" },
        { "en passant mark", "1.e4 Nf6 2.e5 d5 3.exd6 e.p. e6 *", " e4 Nf6 e5 d5 exd6 e6" },
        { "glued en passant mark", "1.e4 Nf6 2.e5 d5 3.exd6e.p. e6 *", " e4 Nf6 e5 d5 exd6 e6" },
        { "long and tolerant forms", "1.e2e4 e7-e5 2.Ng1f3 Nb8c6 3.Bf1-c4 Bc5 4.0-0?? *",
            " e2e4 e7-e5 Ng1f3 Nb8c6 Bf1-c4 Bc5 0-0$4" },
        { "castling", "1.e4 e5 2.Nf3 Nc6 3.Bc4 Bc5 4.O-O Nf6 5.d3 O-O *",
            " e4 e5 Nf3 Nc6 Bc4 Bc5 O-O Nf6 d3 O-O" },
        { "disambiguation", "1.Nf3 Nf6 2.Nc3 Nc6 3.Nd4 Nd5 4.Ncb5 Ndb4 *",
            " Nf3 Nf6 Nc3 Nc6 Nd4 Nd5 Ncb5 Ndb4" },
        { "promotion", "[FEN \"8/P6k/8/8/8/8/8/K7 w - - 0 1\"] 1.a8=Q *", " a8=Q" },
        { "tag line inside a comment, not after an empty line", "1.e4 {see\n[Event \"x\"]\n} e5 *",
            " e4{see [Event \"x\"]} e5" },
    };
    for (const Row& row : rows) {
        auto game = readPgn(row.pgn);
        ASSERT_TRUE(game) << row.name;
        EXPECT_EQ(treeText(*game), row.tree) << row.name;
    }
}

// Moves and results as other programs write them are written in the standard forms; the
// Result tag stands, and a result found only in the movetext takes its place.
TEST(PgnReader, SpellingsAndResultsAsWritten)
{
    struct Row {
        const char* name;
        std::string pgn;
        const char* written;
    } rows[] = {
        { "null moves", "1.e4 -- 2.Nf3 Z0 3.-- Nc6 *", "*|1. e4 -- 2. Nf3 -- 3. -- Nc6 *" },
        { "castling as a king move", "1.e4 e5 2.Nf3 Nf6 3.Bc4 Bc5 4.Kg1 Ke8-g8 *",
            "*|1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. O-O O-O *" },
        { "coordinate promotions", "[FEN \"k7/4P3/8/8/8/8/3p4/7K w - - 0 1\"] 1.e7e8n d2-d1=Q+ *",
            "*|1. e8=N d1=Q+ *" },
        { "result in the movetext only, en dash", "1.e4 e5 1\u20130", "1-0|1. e4 e5 1-0" },
        { "one-half signs", "1.e4 e5 \u00BD\u2013\u00BD", "1/2-1/2|1. e4 e5 1/2-1/2" },
        { "Windows-1252 signs", "1.e4 e5 \xBD\x96\xBD", "1/2-1/2|1. e4 e5 1/2-1/2" },
        { "dashes in castling", "1.e4 e5 2.Nf3 Nf6 3.Bc4 Bc5 4.O\u2011O O\u2212O *",
            "*|1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. O-O O-O *" },
        { "the Result tag wins", "[Result \"1-0\"] 1.e4 0-1", "1-0|1. e4 1-0" },
        { "empty Result tag", "[Result \"\"] 1.e4 *", "|1. e4 *" },
        { "Result tag with signs", "[Result \"\u00BD-\u00BD\"] 1.e4 *", "1/2-1/2|1. e4 1/2-1/2" },
        { "result ending an open variation", "1.e4 (1.d4 1-0", "*|1. e4 (1. d4) *" },
    };
    for (const Row& row : rows) {
        auto game = readPgn(row.pgn);
        ASSERT_TRUE(game) << row.name;
        game->setFormat(kFilePgnFormat);
        const std::string text = game->toString();
        const std::size_t body = text.find("\r\n\r\n") + 4;
        EXPECT_EQ(game->result() + "|" + text.substr(body, text.size() - body - 4), row.written)
            << row.name;
    }
}

TEST(PgnLexer, TokensByMode)
{
    struct Row {
        const char* name;
        const char* input;
        PgnLexMode mode;
        PgnTokenKind kind;
        const char* text;
        const char* value;
        int number;
    } rows[] = {
        { "string with escapes", " \"a\\\"b\\\\\"", kNormalMode, PgnTokenKind::String, "", "a\"b\\",
            0 },
        { "digits are an INT normally", "\t12.", kNormalMode, PgnTokenKind::Int, "\t12", "", 12 },
        { "digits start a symbol in symbol mode", " 12.", PgnTokenKind::Symbol,
            PgnTokenKind::Symbol, " 12", "12", 0 },
        { "result symbol", "1/2-1/2 ", PgnTokenKind::Symbol, PgnTokenKind::Symbol, "1/2-1/2",
            "1/2-1/2", 0 },
        { "NAG", " $14 ", kNormalMode, PgnTokenKind::Nag, " $14", "", 14 },
        { "bare NAG", "$x", kNormalMode, PgnTokenKind::Nag, "$", "", 0 },
        { "comment body", "  two\nlines }", PgnTokenKind::Comment, PgnTokenKind::Comment,
            "  two\nlines ", "two\nlines ", 0 },
        { "empty comment", " }", PgnTokenKind::Comment, PgnTokenKind::RightBrace, " }", "", 0 },
        { "skip to the bracket", "x \"y\" ]", PgnTokenKind::RightBracket,
            PgnTokenKind::RightBracket, "x \"y\" ]", "", 0 },
        { "escape line", "\n%skip\n(", kNormalMode, PgnTokenKind::LeftParenthesis, "\n\n(", "", 0 },
        { "skip to the bracket ends at the line end", "x;y\n]", PgnTokenKind::RightBracket,
            PgnTokenKind::RightBracket, "x;y", "", 0 },
        { "string ends at the line end", "\"ab\ncd\"", kNormalMode, PgnTokenKind::String, "", "ab",
            0 },
        { "dash in a symbol", "1\u20130 ", PgnTokenKind::Symbol, PgnTokenKind::Symbol, "1\u20130",
            "1-0", 0 },
    };
    for (const Row& row : rows) {
        PgnInput input;
        input.openText(row.input);
        CPgnParser lexer;
        lexer.beginLexing(input, 0);
        CPgnToken token;
        ASSERT_TRUE(lexer.nextToken(row.mode, token)) << row.name;
        EXPECT_EQ(token.kind, row.kind) << row.name;
        if (row.kind != PgnTokenKind::String) {
            EXPECT_EQ(token.text, row.text) << row.name;
        }
        EXPECT_EQ(token.value, row.value) << row.name;
        EXPECT_EQ(token.number, row.number) << row.name;
    }
    PgnInput input;
    input.openText("\"open");
    CPgnParser lexer;
    lexer.beginLexing(input, 0);
    CPgnToken token;
    EXPECT_FALSE(lexer.nextToken(kNormalMode, token)) << "unterminated string ends the input";
}

TEST(PgnReader, RefusedGamesSayWhereAndWhy)
{
    const std::string illegal = "illegal or unreadable move ";
    struct Row {
        const char* name;
        const char* pgn;
        std::string error; // reason 'text' @offset
    } rows[] = {
        { "illegal move", "1.e4 e5 2.Ke3 *", illegal + "'Ke3' @10" },
        { "stray byte replays the previous move", "1.e4 & e5 *", illegal + "'e4' @5" },
        { "next game's tags in movetext", "1.e4\n[Event \"x\"]\n1.d4 *", "move expected '[' @5" },
        { "closing parenthesis outside a variation", "1.e4 ) *", "move expected ')' @5" },
        { "NAG where a move is expected", "$1 1.e4 *", "move expected '$1' @0" },
        { "variation before the first move", "(1.d4) 1.e4 *",
            "variation before the first move '(' @0" },
        { "string in movetext", "1.e4 \"x\" *", "move expected 'x' @5" },
        { "illegal move inside a variation", "1.e4 e5 (1...Ke6) *", illegal + "'Ke6' @13" },
        { "empty input", "  \n", "no game '' @0" },
        { "null move in check", "1.e4 f5 2.Qh5+ -- *", illegal + "'--' @15" },
        { "king move where castling is not legal", "1.e4 e5 2.Kg1 *", illegal + "'Kg1' @10" },
        { "coordinate promotion without a pawn", "1.e7e8q *", illegal + "'e7e8q' @2" },
    };
    for (const Row& row : rows) {
        PgnInput input;
        input.openText(row.pgn);
        CPgnParser parser;
        std::unique_ptr<CPgnGame> game;
        std::int64_t end = -1;
        EXPECT_FALSE(parser.readGame(input, 0, end, game)) << row.name;
        EXPECT_FALSE(game) << row.name;
        const PgnReadError& error = parser.lastError();
        EXPECT_EQ(
            error.reason + " '" + error.text + "' @" + std::to_string(error.offset), row.error)
            << row.name;
    }
}

TEST(PgnReader, TagsAreReadLeniently)
{
    struct Row {
        const char* name;
        const char* pgn;
        const char* eventSiteRound;
    } rows[] = {
        { "escaped quote and backslash", "[Event \"a \\\"b\\\" \\\\c\"]\n*", "a \"b\" \\c||" },
        { "unescaped inner quotes", "[Event \"a \"b\" c\"]\n*", "a \"b\" c||" },
        { "bare number keeps its blank", "[Round 5]\n*", "|| 5" },
        { "empty value", "[Round]\n[Site \"x\"]\n*", "|x|" },
        { "semicolon inside a value", "[Event \"Rapid; round 2\"]\n*", "Rapid; round 2||" },
        { "duplicate: last wins", "[Site \"a\"]\n[Site \"b\"]\n*", "|b|" },
        { "semicolon after inner quotes", "[Event \"Rapid \"A\"; round 2\"]\n[Site \"x\"]\n*",
            "Rapid \"A\"; round 2|x|" },
        { "closing quote missing", "[Event \"Open]\n[Site \"x\"]\n*", "Open|x|" },
        { "closing bracket missing", "[Event \"E\"\n[Site \"x\"]\n*", "E|x|" },
        { "name without a value", "[Event\n[Site \"x\"]\n*", "|x|" },
        { "tag cut by the end of the input", "[Event \"E\"]\n[Site\n", "E||" },
    };
    for (const Row& row : rows) {
        auto game = readPgn(row.pgn);
        ASSERT_TRUE(game) << row.name;
        EXPECT_EQ(
            game->event() + "|" + game->site() + "|" + game->getTag("Round"), row.eventSiteRound)
            << row.name;
    }
    EXPECT_FALSE(readPgn("[Event \"E\"]\n[ \"no name\"]\n1.e4 *"))
        << "the tag section ends and its rest is no movetext";
}

TEST(PgnReader, FenSetsTheRootPlyAndLinesNumberOnlyWhiteMovesAfterTheFirst)
{
    auto game = readPgn("[FEN \"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 12\"]\n"
                        "12...Nf6 13.Nc3 e5 14.Nf3 *");
    ASSERT_TRUE(game);
    EXPECT_EQ(game->root()->ply(), 22);
    const CGameNode& first = *game->root()->child(0);
    EXPECT_EQ(lineText(first, 4), "12..Nf6 13.Nc3 e5 14.Nf3");
    EXPECT_EQ(lineText(first, 2), "12..Nf6 13.Nc3");
    EXPECT_EQ(lineText(first, 99), "12..Nf6 13.Nc3 e5 14.Nf3");
    // Move number 0 counts as 1; an empty FEN means the standard start.
    for (const char* fen : { "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0", "" }) {
        auto start = readPgn(std::string("[FEN \"") + fen + "\"]\n1.e4 *");
        ASSERT_TRUE(start) << fen;
        EXPECT_EQ(start->root()->ply(), -1) << fen;
    }
}

TEST(PgnReader, ScanEndsWhereTheNextGameBegins)
{
    struct Row {
        const char* name;
        std::string text;
        // The texts at which the games after the first begin.
        std::vector<const char*> starts;
    } rows[] = {
        { "junk after a result and a bracket in a comment",
            "[Event \"1\"]\n1.e4 *\n\n[Event \"2\"]\n{[x]} 1.d4 1-0 junk\n[Event \"3\"]\n1.c4",
            { "[Event \"2", "[Event \"3" } },
        { "stray bytes after a bracket", "[\x01\x02 1.e4 *\n[Event \"b\"]\n*\n", { "[Event" } },
        { "untagged first game", "1.e4 e5 *\n[Event \"x\"]\n*", { "[Event" } },
        { "comment left open", "1.e4 {open\r\n\r\n[Event \"x\"]\r\n*", { "[Event" } },
        { "comment left open, no empty line before the tags", "1.e4 {open\n[Event \"x\"]\n*", {} },
        { "comment left open, incomplete tag line", "1.e4 {open\n\n[Event \"x\n*", {} },
    };
    for (const Row& row : rows) {
        std::vector<std::int64_t> expected;
        for (const char* start : row.starts)
            expected.push_back(std::int64_t(row.text.find(start)));
        expected.push_back(std::int64_t(row.text.size()));
        EXPECT_EQ(scanGameEnds(row.text), expected) << row.name;
    }
}

// The reader must give the same games whatever the read buffer's size, so every token,
// escape line and look-ahead lands on a buffer boundary somewhere.
class PgnReaderChunks : public ::testing::TestWithParam<std::size_t> { };

TEST_P(PgnReaderChunks, SameGamesForEveryBufferSize)
{
    const std::string text = "\xEF\xBB\xBF% header escape\n[Event \"A; b\"]\n[Round 7]\n\n"
                             "{intro} 1.e4 $1 e5!? (1...c5 {sic} 2.Nf3 ; rest\n d6) 2.Nf3 "
                             "Nc6 3.Bb5 a6 {x\n%gone\ny} 4.Ba4 Nf6 5.O-O Be7 1-0\n\n"
                             "[Event \"B\"]\n1.d4 d5 (1...Nf6 2.c4 (2.Nf3)) 2.c4 e6 *\n"
                             "[Event \"C\"]\n1.d4 {open\n\n[Event \"D\"]\n[Site \"s]\n"
                             "1.e4 e5 2.Nf3 Nf6 3.Bc4 Bc5 4.O\u2011O \u00BD-\u00BD\n";
    // Every game with what was read of it, where reading and the scan ended, and damage.
    auto describe = [](PgnInput& input) {
        std::vector<std::string> games;
        CPgnParser parser;
        std::unique_ptr<CPgnGame> game;
        std::int64_t start = 0;
        for (std::int64_t end : scanGameEnds(input)) {
            std::int64_t readEnd = 0;
            if (!parser.readGame(input, start, readEnd, game))
                break;
            games.push_back(game->event() + game->site() + game->getTag("Round") + "|" +
                game->root()->comment() + "|" + treeText(*game) + "|" + game->result() + "|" +
                std::to_string(readEnd) + "|" + std::to_string(end) + "|" +
                parser.lastDamage().reason);
            start = end;
        }
        return games;
    };
    PgnInput memory;
    memory.openText(text);
    const std::vector<std::string> expected = describe(memory);
    const std::string b = std::to_string(text.find("[Event \"B"));
    const std::string d = std::to_string(text.find("[Event \"D"));
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(expected[0],
        "A; b 7|intro| e4$1 e5$5 (c5{sic} Nf3 d6) Nf3 Nc6 Bb5 a6{x y} Ba4 Nf6 O-O Be7|1-0|" + b +
            "|" + b + "|");
    EXPECT_EQ(expected[2], "C|| d4{open}|*|" + d + "|" + d + "|unterminated comment");
    EXPECT_EQ(expected[3],
        "Ds|| e4 e5 Nf3 Nf6 Bc4 Bc5 O-O|1/2-1/2|" + std::to_string(text.size()) + "|" +
            std::to_string(text.size()) + "|unterminated string");

    TempFolder folder;
    TempFolder::write(folder.file("chunks.pgn"), text);
    PgnInput input(GetParam());
    ASSERT_TRUE(input.openFile(folder.file("chunks.pgn")));
    EXPECT_EQ(describe(input), expected);
}

INSTANTIATE_TEST_SUITE_P(BufferSizes, PgnReaderChunks, ::testing::Values(1, 2, 3, 7, 64));

} // namespace
} // namespace velmorak
