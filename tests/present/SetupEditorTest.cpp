// The set-up loop: edits on the editing board, the editor's close, the details' close, and
// what each says; then the new game it installs.
#include "present/SetupEditor.h"

#include <functional>

#include <gtest/gtest.h>

#include "record/CGameNode.h"
#include "support/ControllerHarness.h"

namespace velmorak::test {
namespace {

using Stage = SetupEditor::Stage;

Square sq(std::string_view text)
{
    return squareFromText(text);
}

// Puts `piece` on each square.
std::function<void(SetupEditor&)> put(PieceCode piece, std::vector<std::string_view> squares)
{
    return [=](SetupEditor& editor) {
        editor.selectPiece(piece);
        for (std::string_view square : squares)
            editor.place(sq(square));
    };
}

std::function<void(SetupEditor&)> lift(std::string_view from, std::string_view to = {})
{
    return [=](SetupEditor& editor) {
        if (to.empty())
            editor.remove(sq(from));
        else
            editor.move(sq(from), sq(to));
    };
}

constexpr std::string_view kIllegal = kIllegalPositionText;
constexpr std::string_view kNoSide = kSetSideToMoveText;
const std::string kStart(kStartFen);
const std::string kPawns = "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1";

struct LoopRow {
    const char* name;
    std::string fen;
    std::function<void(SetupEditor&)> edit;
    // What the editor's OK says; then, when it passed, what the details' close says with
    // `details` changed by `choose` (nullopt: the details' Cancel).
    std::string_view editorSays;
    std::function<void(std::optional<SetupDetails>&)> choose;
    std::string_view detailsSays;
    // The stage reached and the new game's FEN ("" for none).
    Stage stage;
    std::string newFen;
};

const LoopRow kLoop[] = {
    { "the unchanged position changes nothing", kStart, {}, {}, {}, {}, Stage::Finished, "" },
    { "two white kings", kStart, put(kWhiteKing, { "e4" }), kIllegal, {}, {}, Stage::Editing, "" },
    { "no black king", kStart, lift("e8"), kIllegal, {}, {}, Stage::Editing, "" },
    { "nine white pawns", kPawns, put(kWhitePawn, { "e4" }), kIllegal, {}, {}, Stage::Editing, "" },
    { "a pawn on the eighth rank", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", put(kWhitePawn, { "a8" }),
        kIllegal, {}, {}, Stage::Editing, "" },
    { "three knights with eight pawns", kPawns, put(kWhiteKnight, { "b1", "c1", "d1" }), kIllegal,
        {}, {}, Stage::Editing, "" },
    { "eight pawns and two queens", kPawns, put(kWhiteQueen, { "c1", "d1" }), kIllegal, {}, {},
        Stage::Editing, "" },
    { "seven pawns and two queens pass", kPawns,
        [](SetupEditor& e) {
            lift("a2")(e);
            put(kWhiteQueen, { "c1", "d1" })(e);
        },
        {}, {}, {}, Stage::Finished, "4k3/pppppppp/8/8/8/8/1PPPPPPP/2QQK3 w - - 0 1" },
    { "black in check with white to move swaps the side", "4k3/8/8/8/8/8/8/4K3 w - - 0 1",
        put(kWhiteRook, { "e5" }), {},
        [](std::optional<SetupDetails>& d) { EXPECT_EQ(d->sideToMove, kBlackSide); }, {},
        Stage::Finished, "4k3/8/8/4R3/8/8/8/4K3 b - - 0 1" },
    { "no side chosen keeps the details open", kStart, lift("a2"), {},
        [](std::optional<SetupDetails>& d) { d->sideToMove.reset(); }, kNoSide, Stage::Details,
        "" },
    { "the details' Cancel still installs the board", kStart, lift("a2"), {},
        [](std::optional<SetupDetails>& d) { d.reset(); }, {}, Stage::Finished,
        "rnbqkbnr/pppppppp/8/8/8/8/1PPPPPPP/RNBQKBNR w KQkq - 0 1" },
    { "black to move, castling cut, move 40", kStart, lift("a2"), {},
        [](std::optional<SetupDetails>& d) {
            d->sideToMove = kBlackSide;
            d->castlingRights = kWhiteShortRight | kBlackLongRight;
            d->moveNumber = 40;
        },
        {}, Stage::Finished, "rnbqkbnr/pppppppp/8/8/8/8/1PPPPPPP/RNBQKBNR b Kq - 0 40" },
    { "en passant on d6 with a pawn on d5", "4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", {}, {},
        [](std::optional<SetupDetails>& d) {
            d->enPassantFile = 3;
            d->moveNumber = 2;
        },
        {}, Stage::Finished, "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2" },
    { "a right the men do not allow cannot be ticked", "4k3/8/8/8/8/8/8/4K1R1 w - - 0 1", {}, {},
        [](std::optional<SetupDetails>& d) {
            EXPECT_EQ(d->castlingAvailable, 0);
            d->castlingRights = kWhiteShortRight;
            d->moveNumber = 3;
        },
        {}, Stage::Finished, "4k3/8/8/8/8/8/8/4K1R1 w - - 0 3" },
    // Mended: the move number was taken as typed.
    { "a move number past 999 is kept to 999", kStart, lift("a2"), {},
        [](std::optional<SetupDetails>& d) { d->moveNumber = 5000; }, {}, Stage::Finished,
        "rnbqkbnr/pppppppp/8/8/8/8/1PPPPPPP/RNBQKBNR w KQkq - 0 999" },
    // Mended: a right or en-passant square the new men contradict made every OK fail, and
    // only the details (reached after a pass) could change them.
    { "a king moved from home drops its rights", kStart, lift("e1", "e3"), {}, {}, {},
        Stage::Finished, "rnbqkbnr/pppppppp/8/8/8/4K3/PPPPPPPP/RNBQ1BNR w kq - 0 1" },
    { "a pawn taken off drops the en-passant square", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 9",
        lift("d5"), {}, {}, {}, Stage::Finished, "4k3/8/8/4P3/8/8/8/4K3 w - - 0 9" },
};

TEST(SetupEditor, LoopSaysWhatEachCloseFinds)
{
    for (const LoopRow& row : kLoop) {
        SCOPED_TRACE(row.name);
        SetupEditor editor(row.fen);
        if (row.edit)
            row.edit(editor);
        EXPECT_EQ(editor.closeEditor(), row.editorSays);
        if (editor.stage() == Stage::Details) {
            std::optional<SetupDetails> details = editor.details();
            if (row.choose)
                row.choose(details);
            EXPECT_EQ(editor.closeDetails(details), row.detailsSays);
        }
        EXPECT_EQ(editor.stage(), row.stage);
        EXPECT_EQ(editor.newGameFen().value_or(""), row.newFen);
    }
}

TEST(SetupEditor, IllegalDetailsGoBackToTheBoardAndCopyFenKeepsWhatOkWould)
{
    SetupEditor editor("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
    editor.closeEditor();
    SetupDetails details = editor.details();
    details.enPassantFile = 0;
    EXPECT_EQ(editor.closeDetails(details), kIllegalPositionText);
    // Back on the board with the details as written; the unusable square goes at the next OK.
    ASSERT_EQ(editor.stage(), Stage::Editing);
    EXPECT_EQ(editor.closeEditor(), "");
    EXPECT_FALSE(editor.details().enPassantFile);

    SetupEditor buttons(kStartFen);
    EXPECT_FALSE(buttons.setFen("hello"));
    EXPECT_TRUE(buttons.setFen("4k3/8/8/8/8/8/8/R3K3 b Q - 3 20"));
    EXPECT_EQ(buttons.fen(), "4k3/8/8/8/8/8/8/R3K3 b Q - 3 20");
    buttons.move(sq("a1"), sq("b1"));
    EXPECT_EQ(buttons.fen(), "4k3/8/8/8/8/8/8/1R2K3 b - - 3 20");
}

TEST(SetupEditor, ElectronicBoardSetsRightsAndMaySkipTheDetails)
{
    SetupEditor editor("4k3/8/8/8/8/8/8/4K3 w - e3 0 1");
    editor.followElectronicBoard(Board(kStartFen).squares());
    EXPECT_EQ(editor.board().castlingRights(), 15);
    EXPECT_EQ(editor.closeEditor(kBlackSide), "");
    EXPECT_EQ(editor.stage(), Stage::Finished);
    EXPECT_EQ(editor.newGameFen().value_or(""),
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
}

TEST(SetupEditor, InstallsTheNewGameAsAnyGameChange)
{
    ControllerHarness h(std::nullopt);
    h.options.autoAnswer = false;
    h.playAll({ "e4", "e5", "Nf3" });
    SetupEditor editor(h.c().board().fen());
    EXPECT_NE(h.c().board().halfMoveClock(), 0);
    editor.remove(sq("a2"));
    editor.closeEditor();
    SetupDetails details = editor.details();
    details.moveNumber = 12;
    editor.closeDetails(details);
    const std::string fen = editor.newGameFen().value();
    EXPECT_EQ(fen, "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/1PPP1PPP/RNBQKB1R b KQkq - 0 12");
    {
        GameController::ModalDialogScope open(h.c());
        EXPECT_FALSE(installSetupPosition(h.c(), fen));
    }
    EXPECT_EQ(h.c().board().pieceAt(sq("a2")), kWhitePawn);
    ASSERT_TRUE(installSetupPosition(h.c(), fen));
    EXPECT_EQ(h.c().board().fen(), fen);
    EXPECT_EQ(h.c().game().getTag("FEN"), fen);
    EXPECT_EQ(h.c().game().root()->ply(), 22);
}

} // namespace
} // namespace velmorak::test
