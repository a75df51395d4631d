#include "present/GameMovesText.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "record/CGameNode.h"
#include "record/CPgnGame.h"
#include "record/FirstGame.h"
#include "support/TempFolder.h"

using namespace velmorak;

namespace {

std::unique_ptr<CPgnGame> game(const std::string& pgn)
{
    TempFolder folder;
    TempFolder::write(folder.file("g.pgn"), pgn);
    return std::move(readFirstGame(folder.file("g.pgn")).value());
}

std::string shownText(const GameMovesText& text, const CGameNode* node)
{
    const auto span = text.spanOf(node);
    return span ? text.text().substr(std::size_t(span->start), std::size_t(span->end - span->start))
                : "(none)";
}

TEST(GameMovesText, EachMoveMapsToItsWholeTextAndBack)
{
    auto g = game("[White \"Anna\"]\n[Black \"Ben\"]\n\n1. e4 e5 (1... c5 2. Nf3 d6) 2. Nf3 "
                  "{a long comment that wraps over the narrow column} Nc6 $1 3. Bb5 a6 *\n");
    const PgnFormat before = g->getFormat();
    GameMovesText text(*g, {});
    EXPECT_EQ(g->getFormat(), before) << "saving keeps its own layout";
    EXPECT_EQ(text.text().find('\r'), std::string::npos);

    CGameNode* e4 = g->root()->child(0);
    CGameNode* e5 = e4->child(0);
    CGameNode* c5 = e4->child(1);
    CGameNode* nf3 = e5->child(0);
    CGameNode* nc6 = nf3->child(0);
    const struct {
        const CGameNode* node;
        const char* shown;
    } rows[] = {
        { e4, "1. e4" },
        { e5, "e5" },
        { c5, "1.. c5" },
        { c5->child(0), "2. Nf3" },
        { nf3, "2. Nf3 {a long comment that wraps over the narrow column}" },
        { nc6, "Nc6!" },
        { nc6->child(0)->child(0), "a6" },
    };
    for (const auto& row : rows) {
        std::string shown = shownText(text, row.node);
        // A line break stands for the space it replaced.
        std::ranges::replace(shown, '\n', ' ');
        EXPECT_EQ(shown, row.shown);
        const auto span = text.spanOf(row.node);
        ASSERT_TRUE(span);
        EXPECT_EQ(text.moveAt((span->start + span->end) / 2)->node, row.node) << row.shown;
        EXPECT_EQ(text.moveAtCaret(span->start - 2)->node, row.node) << row.shown;
    }
    EXPECT_FALSE(text.spanOf(g->root()));
    EXPECT_FALSE(text.moveAt(0)) << "the tags hold no move";

    GameMovesText bare(*g, { .tags = false, .comments = false, .lines = false });
    EXPECT_TRUE(bare.text().starts_with("1. e4 e5 2. Nf3 Nc6!")) << bare.text();
    EXPECT_FALSE(bare.spanOf(c5)) << "a variation not shown has no place";
    EXPECT_EQ(shownText(bare, nf3), "2. Nf3");
}

TEST(GameMovesText, TheCurrentMoveScrollsIntoViewByPagesThenLines)
{
    const struct {
        int line, count, first;
    } rows[] = {
        { 0, 100, 0 },
        { 7, 100, 0 },
        { 8, 100, 1 },
        { 22, 100, 15 },
        { 23, 100, 16 },
        { 30, 20, 7 },
        { 5, 10, 0 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(firstShownLine(row.line, row.count), row.first) << row.line << "/" << row.count;

    auto g = game("1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 *\n");
    GameMovesText text(*g, { .tags = false });
    EXPECT_GT(text.lineCount(), 1);
    EXPECT_EQ(text.lineOf(0), 0);
    EXPECT_EQ(text.lineOf(int(text.text().size())), text.lineCount() - 1);
}

} // namespace
