#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "record/CPgnGame.h"
#include "record/GameTreeEditing.h"
#include "record/TagCompletion.h"
#include "rules/Board.h"
#include "rules/SanNotation.h"
#include "support/ControllerHarness.h"
#include "support/FixedTagSources.h"

namespace velmorak {
namespace {

std::unique_ptr<CGameNode> node(const char* san, int ply = 0)
{
    // Distinct moves for distinct texts are all the tree operations need.
    Move move { static_cast<Square>(san[0]), static_cast<PieceCode>(ply & 1 ? 12 : 4),
        static_cast<Square>(san[1]), 7 };
    return std::make_unique<CGameNode>(move, san, ply);
}

std::string childTexts(const CGameNode& parent)
{
    std::string out;
    for (int i = 0; i < parent.childCount(); ++i)
        out += (i ? "," : "") + parent.child(i)->san();
    return out;
}

TEST(GameNode, ChildListOperationsKeepOrderAndDepth)
{
    CGameNode root(NoMove, "root", -1);
    CGameNode* a = root.addChild(node("a1"));
    CGameNode* b = root.addChild(node("b1"));
    CGameNode* c = root.addChild(node("c1"));
    CGameNode* d = root.addChild(node("d1"));
    a->addChild(node("x2", 1))->addChild(node("y3", 2));
    EXPECT_EQ(a->parent(), &root);
    EXPECT_EQ(a->child(0)->child(0)->depth(), 3);
    EXPECT_EQ(root.countNodes(), 7);
    EXPECT_EQ(root.endOfMainLine()->san(), "y3");

    root.promote(c);
    EXPECT_EQ(childTexts(root), "c1,a1,b1,d1");
    root.promote(&root); // not a child
    EXPECT_EQ(childTexts(root), "c1,a1,b1,d1");
    root.removeChild(a);
    EXPECT_EQ(childTexts(root), "c1,b1,d1");
    EXPECT_EQ(root.countNodes(), 4);
    EXPECT_EQ(b->indexOfChild(d), -1);
}

TEST(GameNode, VeryLongMainLineIsDestroyedWithoutRecursion)
{
    auto root = std::make_unique<CGameNode>(NoMove, "root", -1);
    CGameNode* at = root.get();
    for (int i = 0; i < 300000; ++i)
        at = at->addChild(node("e4", i));
    EXPECT_EQ(root->countNodes(), 300001);
    root.reset();
}

TEST(GameNode, LabelsAndGlyphs)
{
    struct Row {
        const char* name;
        int ply;
        bool black;
        int nag;
        const char* label;
    } rows[] = {
        { "first white move", 0, false, 0, "1.e4" },
        { "first black move", 1, true, 0, "1..e4" },
        { "white move 11", 20, false, 1, "11.e4!" },
        { "black move 11", 21, true, 6, "11..e4?!" },
        { "nag without glyph", 0, false, 7, "1.e4" },
    };
    for (const Row& row : rows) {
        CGameNode n(Move { 0x14, PieceCode(row.black ? 12 : 4), 0x34, 7 }, "e4", row.ply);
        n.setNag(std::uint8_t(row.nag));
        EXPECT_EQ(n.label(), row.label) << row.name;
    }
    for (int empty : { 0, 7, 8, 9, 22, 255 })
        EXPECT_EQ(nagGlyph(empty), "") << empty;
}

// The times of every move below the root, pre-order: "1500 0".
std::string moveTimes(const CGameNode& node, std::string out = {})
{
    for (int i = 0; i < node.childCount(); ++i) {
        out.append(out.empty() ? "" : " ").append(std::to_string(node.child(i)->time()));
        out = moveTimes(*node.child(i), std::move(out));
    }
    return out;
}

TEST(Game, MoveTimesAreToldFromAPersonsComments)
{
    struct Row {
        const char* name;
        const char* pgn;
        const char* decoded = nullptr; // the tree after decoding; null: a person's text
        const char* times = nullptr;
    } rows[] = {
        { "our stamps", "{0,} 1.e4 {1500,good} e5 {0,} *", " e4{good} e5", "1500 0" },
        { "an older file without the root's stamp", "1.e4 {1500,good} e5 {7,} *", " e4{good} e5",
            "1500 7" },
        { "a person's number and comma", "1.e4 {2,5 pawns up} e5 {fine} *" },
        { "one move in an older file", "1.e4 {2,5 pawns up} *" },
        { "a person's comment before the first move", "{Intro} 1.e4 {1,a} e5 {2,b} *" },
        { "a variation without a stamp", "{0,} 1.e4 {1,a} (1.d4) *" },
        { "no comma or no digits", "{0,} 1.e4 {12 moves} e5 {,5} *" },
    };
    for (const Row& row : rows) {
        auto game = test::readPgn(row.pgn);
        ASSERT_TRUE(game) << row.name;
        const std::string before = test::treeText(*game);
        EXPECT_EQ(game->decodeMoveTimes(), row.decoded != nullptr) << row.name;
        EXPECT_EQ(test::treeText(*game), row.decoded ? row.decoded : before) << row.name;
        if (row.decoded) {
            EXPECT_EQ(moveTimes(*game->root()), row.times) << row.name;
        }
    }

    // The autosave's way: stamps in, written, read back, stamps out.
    auto game = test::readPgn("{Intro} 1.e4 {2,5 pawns up} e5 (1...c5) 2.Nf3 *");
    ASSERT_TRUE(game);
    CGameNode* e4 = game->root()->child(0);
    e4->setTime(1500);
    e4->child(1)->setTime(INT32_MAX);
    game->encodeMoveTimes();
    EXPECT_EQ(e4->comment(), "1500,2,5 pawns up");
    game->setFormat(kFilePgnFormat);
    auto saved = test::readPgn(game->toString());
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved->decodeMoveTimes());
    EXPECT_EQ(saved->root()->comment(), "Intro");
    EXPECT_EQ(test::treeText(*saved), " e4{2,5 pawns up} e5 (c5) Nf3");
    EXPECT_EQ(moveTimes(*saved->root()), "1500 0 0 2147483647");
}

TEST(Game, TextOffsetsMapToWrittenMovesOnly)
{
    auto game = test::readPgn("1.e4 e5 (1...c5 2.Nf3) 2.Nf3 *");
    ASSERT_TRUE(game);
    CGameNode* e5 = game->root()->child(0)->child(0);
    CGameNode* c5 = game->root()->child(0)->child(1);
    // Without variations, the spans of their moves stay empty.
    game->setFormat({ 40, true, false, true, true, false });
    std::string text = game->toString();
    EXPECT_EQ(c5->textStart(), 0);
    EXPECT_EQ(c5->child(0)->textEnd(), 0);
    EXPECT_EQ(text.substr(std::size_t(e5->textStart()), 2), "e5");
    EXPECT_EQ(e5->textEnd() - e5->textStart(), 3) << "' e5' plus one";

    game->setFormat({ 80, false, true, true, false, false });
    text = game->toString();
    ASSERT_EQ(text.substr(0, 31), "1. e4 e5 (1.. c5 2. Nf3) 2. Nf3");
    EXPECT_EQ(game->findNodeAtTextOffset(int(text.find("e5"))), e5);
    EXPECT_EQ(game->findNodeAtTextOffset(int(text.find("c5"))), c5);
    EXPECT_EQ(game->findNodeAtTextOffset(int(text.find('('))), nullptr);
    EXPECT_EQ(game->findNodeAtTextOffset(int(text.rfind("Nf3"))), e5->child(0));
    EXPECT_EQ(game->findNodeAtTextOffset(5000), nullptr);
}

TEST(GameTags, RosterOrderAndChangedFlagInHeadersOfAnyLength)
{
    CPgnGame fresh;
    ASSERT_EQ(fresh.tags().size(), 7u);
    EXPECT_EQ(fresh.tags()[6], (TagPair { "Result", "*" }));
    EXPECT_TRUE(fresh.changed()) << "construction inserts the roster";
    // Past a few dozen tags names are found through an index; the rules stay the same.
    for (int extra : { 0, 200000 }) {
        std::string pgn = "[Round \"1\"]\n[Tag \"first\"]\n";
        for (int i = 0; i < extra; ++i)
            pgn.append("[T").append(std::to_string(i)).append(" \"x\"]\n");
        pgn += "[Event \"E\"]\n[tag \"lower case\"]\n[Tag \"last\"]\n1.e4 *";
        const auto started = std::chrono::steady_clock::now();
        auto game = test::readPgn(pgn);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        // Searching the list for every tag took over a minute for the long header; the index
        // takes a fraction of a second, so the bound holds on a loaded machine too.
        EXPECT_LT(took.count(), 5.0) << extra;
        ASSERT_TRUE(game);
        const TagList& tags = game->tags();
        ASSERT_EQ(tags.size(), 9u + std::size_t(extra));
        EXPECT_EQ(tags[0], (TagPair { "Event", "E" })) << "the roster comes first";
        EXPECT_EQ(tags[7], (TagPair { "Tag", "last" })) << "first insertion keeps its place";
        EXPECT_EQ(tags.back(), (TagPair { "tag", "lower case" })) << "names are case-sensitive";
        game->setChanged(false);
        game->setRound("1");
        EXPECT_FALSE(game->changed()) << "same value";
        game->setRound("5");
        EXPECT_TRUE(game->changed());
        EXPECT_EQ(game->getTag("Missing"), "");
        TagList rest = game->tagsExcept({ "White", "Black", "Event", "Site", "Date", "Result" });
        EXPECT_EQ(rest.size(), 3u + std::size_t(extra));
        EXPECT_EQ(rest[0], (TagPair { "Round", "5" }));
    }
}

// --- Tree rules of the controller -------------------------------------------------------

struct Position {
    std::unique_ptr<CPgnGame> game;
    Board board;
};

// A game after 1.e4 with the children given as SAN of Black's reply, and the board at e4.
Position afterE4(std::initializer_list<const char*> replies)
{
    std::string text = "[Result \"1-0\"]\n1.e4";
    bool first = true;
    for (const char* reply : replies) {
        text += first ? std::string(" ") + reply : std::string(" (1...") + reply + ")";
        first = false;
    }
    text += " 1-0";
    Position p { test::readPgn(text), Board() };
    EXPECT_TRUE(p.game) << text;
    p.board.makeMove(readSan(p.board, "e4"));
    p.game->setChanged(false);
    return p;
}

EnteredMove enter(Position& p, const char* san, VariationMode mode, LinePrompts& prompts)
{
    Move move = readSan(p.board, san);
    return enterMove(
        *p.game, p.game->root()->child(0), move, writeSan(p.board, move), 0, mode, prompts);
}

// Each row enters one move after 1.e4 whose replies are given; the outcome is e4's children,
// the result, and what happened: changed, asked (with the label), created, cancelled.
TEST(TreeRules, EnteredMovesFollowModeOrAnswer)
{
    using enum VariationMode;
    const NewLineChoice cancel = NewLineChoice::Cancel;
    struct Row {
        const char* name;
        std::initializer_list<const char*> replies;
        const char* move;
        VariationMode mode;
        NewLineChoice answer;
        const char* outcome;
    } rows[] = {
        { "main move, ask", { "e5", "c5" }, "e5", Ask, cancel, "e5,c5 1-0" },
        { "main move, replace", { "e5", "c5" }, "e5", ReplaceMainLine, cancel, "e5,c5 1-0" },
        { "main move, add main line", { "e5", "c5" }, "e5", AddMainLine, cancel, "e5,c5 1-0" },
        { "main move, add line", { "e5", "c5" }, "e5", AddLine, cancel, "e5,c5 1-0" },
        { "variation becomes the main line", { "e5", "c5", "d5" }, "d5", AddMainLine, cancel,
            "d5,e5,c5 * changed" },
        { "ask only follows a variation", { "e5", "c5" }, "c5", Ask, cancel, "e5,c5 1-0" },
        { "new move, replace main line", { "e5", "c5" }, "d5", ReplaceMainLine, cancel,
            "d5,c5 * changed created" },
        { "new move, add main line", { "e5", "c5" }, "d5", AddMainLine, cancel,
            "d5,e5,c5 * changed created" },
        { "new move, add line", { "e5", "c5" }, "d5", AddLine, cancel,
            "e5,c5,d5 1-0 changed created" },
        { "ask, answer add line", { "e5", "c5" }, "d5", Ask, NewLineChoice::AddLine,
            "e5,c5,d5 1-0 changed asked Add line: 1..d5 created" },
        { "ask, answer replace", { "e5", "c5" }, "d5", Ask, NewLineChoice::ReplaceMainLine,
            "d5,c5 * changed asked Add line: 1..d5 created" },
        { "ask, cancel", { "e5", "c5" }, "d5", Ask, cancel,
            "e5,c5 1-0 asked Add line: 1..d5 cancelled" },
        { "a move at a leaf never asks", {}, "e5", Ask, cancel, "e5 1-0 changed created" },
    };
    for (const Row& row : rows) {
        Position p = afterE4(row.replies);
        test::ScriptedPrompts prompts;
        prompts.newLineAnswers = { row.answer };
        EnteredMove entered = enter(p, row.move, row.mode, prompts);
        std::string outcome = childTexts(*p.game->root()->child(0)) + " " + p.game->result();
        outcome += p.game->changed() ? " changed" : "";
        for (const std::string& asked : prompts.shown)
            outcome += " asked " + asked;
        outcome += entered.created ? " created" : "";
        outcome += entered.cancelled ? " cancelled" : "";
        EXPECT_EQ(outcome, row.outcome) << row.name;
        if (!entered.cancelled) {
            EXPECT_EQ(entered.node->san(), row.move) << row.name;
            EXPECT_EQ(entered.node->ply(), 1) << row.name;
        }
    }
}

// The New line dialog's own actions: each row deletes a line (or not) and changes the
// default, then answers; the outcome is e4's children, the result, the questions and what
// enterMove reports.
TEST(TreeRules, TheNewLineDialogDeletesLinesAndChangesTheDefault)
{
    using Deletion = NewLineQuestion::Deletion;
    struct Row {
        const char* name;
        int deleted;
        bool confirm;
        Deletion deletion;
        VariationMode mode;
        const char* outcome;
    } rows[] = {
        { "nothing selected", -1, true, Deletion::NothingSelected, VariationMode::Ask,
            "e5,c5,d5 1-0 |" },
        { "past the lines", 3, true, Deletion::NothingSelected, VariationMode::AddLine,
            "e5,c5,d5 1-0 | default 3" },
        { "a one-move line goes unasked", 1, true, Deletion::Deleted, VariationMode::Ask,
            "e5,d5 1-0 | deleted" },
        { "the main line is asked about", 0, true, Deletion::Deleted, VariationMode::AddMainLine,
            "c5,d5 * Delete line: Are you sure? | deleted default 2" },
        { "and kept when cancelled", 0, false, Deletion::Kept, VariationMode::Ask,
            "e5,c5,d5 1-0 Delete line: Are you sure? |" },
    };
    for (const Row& row : rows) {
        auto game = test::readPgn("[Result \"1-0\"]\n1.e4 e5 (1...c5) (1...d5) 2.Nf3 Nc6 1-0");
        ASSERT_TRUE(game);
        CGameNode* e4 = game->root()->child(0);
        Board board;
        board.makeMove(readSan(board, "e4"));
        test::ScriptedPrompts prompts;
        prompts.answers = { row.confirm };
        prompts.newLineAnswers = { NewLineChoice::AddLine };
        std::vector<std::string> lines;
        prompts.inNewLine = [&](NewLineQuestion& question) {
            EXPECT_EQ(question.deleteLine(row.deleted, prompts), row.deletion) << row.name;
            question.setDefaultMode(row.mode);
            lines = question.lines();
        };
        EnteredMove entered =
            enterMove(*game, e4, readSan(board, "Nf6"), "Nf6", 0, VariationMode::Ask, prompts);
        ASSERT_TRUE(entered.created) << row.name;
        removeLine(*game, entered.node);
        std::string outcome = childTexts(*e4) + " " + game->result();
        for (std::size_t i = 1; i < prompts.shown.size(); ++i)
            outcome += " " + prompts.shown[i];
        outcome += " |";
        outcome += entered.linesDeleted ? " deleted" : "";
        if (entered.newDefault)
            outcome += " default " + std::to_string(int(*entered.newDefault));
        EXPECT_EQ(outcome, row.outcome) << row.name;
        EXPECT_EQ(lines.size(), std::size_t(e4->childCount())) << row.name;
    }
}

TEST(TreeRules, DeletingLines)
{
    auto game = test::readPgn("[Result \"1-0\"]\n1.e4 e5 (1...c5 2.Nf3) (1...d5) 2.Nf3 1-0");
    ASSERT_TRUE(game);
    CGameNode* e4 = game->root()->child(0);
    test::ScriptedPrompts prompts;
    EXPECT_TRUE(confirmDeleteLine(*e4->child(1), prompts)) << "two nodes ask nothing";
    EXPECT_TRUE(prompts.shown.empty());
    prompts.answers = { false };
    EXPECT_FALSE(confirmDeleteLine(*e4, prompts));
    EXPECT_EQ(prompts.shown, std::vector<std::string> { "Delete line: Are you sure?" });
    EXPECT_FALSE(confirmDeleteLine(*game->root(), prompts));

    game->setChanged(false);
    EXPECT_EQ(removeLine(*game, e4->child(2)), e4);
    EXPECT_EQ(game->result(), "1-0") << "a variation is not the main line";
    EXPECT_TRUE(game->changed());
    removeLine(*game, e4->child(0));
    EXPECT_EQ(childTexts(*e4), "c5");
    EXPECT_EQ(game->result(), "*");
    EXPECT_EQ(removeLine(*game, game->root()), nullptr);
}

TEST(TreeRules, PromoteNagChoicesAndEditedComments)
{
    auto game = test::readPgn("[Result \"0-1\"]\n1.e4 e5 (1...c5) 0-1");
    ASSERT_TRUE(game);
    CGameNode* e4 = game->root()->child(0);
    promoteLine(*game, e4->child(0));
    EXPECT_EQ(game->result(), "0-1");
    promoteLine(*game, e4->child(1));
    EXPECT_EQ(childTexts(*e4), "c5,e5");
    EXPECT_EQ(game->result(), "*");

    CGameNode& c5 = *e4->child(0);
    c5.setNag(18);
    game->setChanged(false);
    setNagChoice(*game, c5, 0);
    EXPECT_EQ(c5.nag(), 18) << "None keeps a NAG beyond the dialog's choices";
    EXPECT_FALSE(game->changed());
    setNagChoice(*game, c5, 5);
    EXPECT_EQ(c5.nag(), 5);
    setNagChoice(*game, c5, 0);
    EXPECT_EQ(c5.nag(), 0);
    EXPECT_TRUE(game->changed());

    // An edited comment cannot close its brace early.
    c5.storeEditedComment("a } b }");
    EXPECT_EQ(c5.comment(), "a ) b )");
}

TEST(TreeRules, FastStepsStopAtBranches)
{
    // 1.e4 e5 (1...c5) 2.Nf3 Nc6 3.Bb5 a6 ... 12 more plies along the main line.
    auto game = test::readPgn("1.e4 e5 (1...c5) 2.Nf3 Nc6 3.Bb5 a6 4.Ba4 Nf6 5.O-O Be7 6.Re1 b5 "
                              "7.Bb3 d6 8.c3 O-O 9.h3 Nb8 10.d4 Nbd7 11.c4 c6 12.cxb5 axb5 *");
    ASSERT_TRUE(game);
    const CGameNode& root = *game->root();
    const CGameNode& e4 = *root.child(0);
    const CGameNode& end = *root.endOfMainLine();
    EXPECT_EQ(fastForwardSteps(root), 1) << "e4 has two children";
    EXPECT_EQ(fastForwardSteps(e4), 20) << "limit";
    EXPECT_EQ(fastForwardSteps(end), 0);
    EXPECT_EQ(fastBackSteps(end), 20);
    EXPECT_EQ(fastBackSteps(*e4.child(0)->child(0)), 2) << "stops at e4, which branches";
    EXPECT_EQ(fastBackSteps(*e4.child(0)), 1) << "the first step always goes";
    EXPECT_EQ(fastBackSteps(root), 0);
}

// --- Tag completion ---------------------------------------------------------------------

TEST(TagCompletion, FillsOnlyWhatIsMissing)
{
    FixedTagSources sources;
    CPgnGame game;
    TagCompletionRequest request;
    request.ownerPlaysWhite = false;
    request.forAutosave = true;
    request.currentSan = "Qh4#";
    request.blackToMove = false;
    game.setResult("");
    completeTags(game, request, sources);
    EXPECT_EQ(game.white(), "Velmorak");
    EXPECT_EQ(game.black(), "Ann Owner");
    EXPECT_EQ(game.date(), "2004.07.05");
    EXPECT_EQ(game.getTag("Time"), "09:03:01");
    EXPECT_EQ(game.result(), "0-1");

    CPgnGame named;
    named.setWhite("W");
    named.setDate("1999.01.01");
    request.forAutosave = false;
    completeTags(named, request, sources);
    EXPECT_EQ(named.black(), "") << "one name given: nobody is renamed";
    EXPECT_EQ(named.date(), "1999.01.01");
    EXPECT_FALSE(named.hasTag("Time"));
    EXPECT_EQ(named.result(), "*") << "a result is never replaced";
}

} // namespace
} // namespace velmorak
