#include "present/MoveInput.h"

#include <algorithm>
#include <sstream>

#include <gtest/gtest.h>

#include "present/BoardView.h"
#include "present/ContextMenu.h"
#include "support/ControllerHarness.h"
#include "support/RecordingBoardSurface.h"

namespace velmorak::test {
namespace {

// Answers a rook, noting whether the controller counted the dialog as open.
struct RookPrompt final : PromotionPrompt {
    PieceCode askPromotion(bool) override
    {
        return modalOpen = c->state().modalMessageOpen, kWhiteRook;
    }
    GameController* c = nullptr;
    int modalOpen = 0;
};

struct Input {
    explicit Input(std::optional<std::string> engine = std::nullopt)
        : h(engine)
    {
        h.options.autoAnswer = engine.has_value();
        surface.view = &view;
        prompt.c = h.controller.get();
    }
    Point at(std::string_view s) const
    {
        return squareCentre(view.layout(), squareFromText(s), view.flipped());
    }
    // "e2" taps a square, "e2-e5" drags a piece.
    void enter(std::string_view text)
    {
        input.penDown(at(text.substr(0, 2)));
        input.penMove(at(text.substr(text.size() - 2)));
        input.penUp(at(text.substr(text.size() - 2)));
    }

    ControllerHarness h;
    RecordingBoardSurface surface { h.clock };
    BoardView view { h.controller->board(), surface, h.sounds, h.clock };
    RookPrompt prompt;
    MoveInput input { *h.controller, view, prompt, h.sounds };
};

TEST(MoveInput, TapsAndDrags)
{
    struct Row {
        const char *name, *setup, *input, *moves, *selected;
        bool oneTap, defaultSound;
    };
    const Row rows[] = {
        { "one tap: the only move to e4", "", "e4", "e4", "", true, false },
        { "one tap: f3 is marked, g1 then plays", "", "f3 g1", "Nf3", "", true, false },
        { "one tap: the only capture", "e4 d5", "d5", "e4 d5 exd5", "", true, false },
        { "one tap: two captures, the victim dragged onto one", "e4 d5 c4 e6", "d5-c4",
            "e4 d5 c4 e6 cxd5", "", true, false },
        { "target first, then the piece", "", "e4 e2", "e4", "", false, false },
        { "another own piece becomes the origin", "", "e2 d2", "", "d2", false, false },
        { "a square the origin cannot reach drops both", "", "e2 f3", "", "", false, false },
        { "the origin tapped again is dropped", "", "e2 e2", "", "", false, false },
        { "drag to an illegal square", "", "e2-e5", "", "", false, true },
        { "drag back onto its own square selects it", "", "e2-e2", "", "e2", false, false },
        { "promotion", "h4 g5 hxg5 h6 gxh6 e6 h7 e5", "h7 g8", "h4 g5 hxg5 h6 gxh6 e6 h7 e5 hxg8=R",
            "", false, false },
    };
    for (const Row& r : rows) {
        Input t;
        std::istringstream setup(r.setup), input(r.input);
        for (std::string move; setup >> move;)
            ASSERT_TRUE(t.h.play(move)) << r.name;
        t.input.setOptions({ r.oneTap, true, true });
        for (std::string step; input >> step;)
            t.enter(step);
        EXPECT_EQ(t.h.movesText(), r.moves) << r.name;
        EXPECT_EQ(t.view.selectedFrom(), *r.selected ? squareFromText(r.selected) : NoSquare)
            << r.name;
        EXPECT_FALSE(t.view.selectedTo() != NoSquare || t.view.isDragging()) << r.name;
        EXPECT_EQ(
            std::count(t.h.soundOutput.events.begin(), t.h.soundOutput.events.end(), "default"),
            r.defaultSound)
            << r.name;
        EXPECT_EQ(t.prompt.modalOpen, r.name == std::string("promotion")) << r.name;
    }
    Input t;
    t.view.setFlipped(true);
    EXPECT_TRUE(t.input.penDown({ 1, 1 }));
    EXPECT_EQ(t.view.dragFrom(), squareFromText("h1"));
}

TEST(MoveInput, APressDuringAnAnimationEndsItAndCounts)
{
    for (const char* gesture : { "g1-f3", "g1 f3" }) {
        Input t;
        ASSERT_TRUE(t.h.play("e4") && t.h.play("e5"));
        t.view.drawMove(t.h.controller->board().lastMove(), true, false, true);
        ASSERT_TRUE(t.view.isAnimating());
        std::istringstream steps(gesture);
        for (std::string step; steps >> step;)
            t.enter(step);
        EXPECT_EQ(t.h.movesText(), "e4 e5 Nf3") << gesture;
        EXPECT_FALSE(t.view.isAnimating() || t.view.isDragging()) << gesture;
        EXPECT_FALSE(t.view.selectedFrom() != NoSquare || t.view.selectedTo() != NoSquare)
            << gesture;
    }
}

TEST(MoveInput, NothingWhileTheEngineSearchesItsMove)
{
    Input t("waitstop;line 0 e7e5");
    ASSERT_TRUE(t.h.play("e4"));
    t.h.waitForCall("StartAnalyse 0");
    EXPECT_FALSE(t.input.penDown(t.at("e7")));
    t.enter("e5");
    EXPECT_EQ(t.view.selectedTo(), NoSquare);
    t.h.controller->stopEngine(false);
}

TEST(ContextMenu, ChosenBySituationOpenedOffTheBoard)
{
    const std::pair<ContextSituation, int> menus[] = { { contextSituation(false, true, true), 105 },
        { contextSituation(true, true, false), 40088 },
        { contextSituation(true, false, true), 40089 },
        { contextSituation(true, false, false), 106 } };
    for (const auto& [situation, resource] : menus) {
        EXPECT_EQ(contextMenu(situation).resource, resource);
        for (const MenuItem& item : contextMenu(situation).items)
            EXPECT_TRUE(item.kind == MenuItemKind::Separator || findCommand(item.command))
                << item.text;
    }
    const Rect client { 0, 26, 240, 294 }; // layout 0: board 240 x 240, status below it
    EXPECT_FALSE(opensContextMenu(0, false, client, { 100, 100 }));
    EXPECT_TRUE(opensContextMenu(0, true, client, { 100, 280 }));
    EXPECT_FALSE(opensContextMenu(0, false, client, { 100, 300 }));
    EXPECT_TRUE(opensContextMenu(1, false, client, { 5, 30 })); // the frame
}

} // namespace
} // namespace velmorak::test
