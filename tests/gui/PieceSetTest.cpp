#include "gui/PieceSet.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "ArtImages.h"

using namespace velmorak;
using namespace velmorak::gui;

namespace {

constexpr PieceCode kPieces[] = { kWhiteKing, kWhiteBishop, kWhiteKnight, kWhiteRook, kWhitePawn,
    kWhiteQueen, kBlackKing, kBlackBishop, kBlackKnight, kBlackRook, kBlackPawn, kBlackQueen };

class EveryPieceSet : public testing::TestWithParam<int> { };

std::string setName(const testing::TestParamInfo<int>& info)
{
    return PieceSet::names()[info.param];
}

} // namespace

TEST_P(EveryPieceSet, DrawsEveryPieceCentredFilledAndInItsColour)
{
    const PieceSet set(GetParam());
    for (int px : { 30, 48, 96 }) {
        SCOPED_TRACE(px);
        int largest = 0;
        for (PieceCode piece : kPieces) {
            SCOPED_TRACE(int(piece));
            const QImage image = set.render(piece, px);
            ASSERT_EQ(image.size(), QSize(px, px));
            const QRect ink = inkBounds(image);
            ASSERT_FALSE(ink.isEmpty());
            largest = std::max({ largest, ink.width(), ink.height() });
            // Centred to within a pixel and a half of rounding.
            EXPECT_NEAR(ink.left() + ink.right() + 1, px, 3);
            EXPECT_NEAR(ink.top() + ink.bottom() + 1, px, 3);
            if (isWhitePiece(piece)) {
                // Outlines, carved details and the black pieces' light rim narrow the gap.
                const double white = greyLevels(image).mean;
                const double black = greyLevels(set.render(piece | kBlack, px)).mean;
                EXPECT_GT(white - black, 8.0);
            }
        }
        EXPECT_GE(largest, 0.84 * px);
        EXPECT_LE(largest, 0.92 * px);
    }
}

INSTANTIATE_TEST_SUITE_P(PieceSet, EveryPieceSet, testing::Range(0, 6), setName);

TEST(PieceSet, NonPiecesAndBadIndexesGiveNothingOrTheFirstSet)
{
    const PieceSet set(2);
    for (int code : { int(kOffBoard), int(kEmpty), 14, 15, 16, 255 }) {
        const QImage image = set.render(PieceCode(code), 40);
        EXPECT_EQ(image.size(), QSize(40, 40)) << code;
        EXPECT_TRUE(inkBounds(image).isEmpty()) << code;
    }
    EXPECT_TRUE(set.render(kWhiteKing, 0).isNull());
    for (int index : { -1, 6, 100 })
        EXPECT_EQ(PieceSet(index).render(kBlackKnight, 32), PieceSet(0).render(kBlackKnight, 32))
            << index;
}

TEST(PieceSet, SetsLookDifferentFromEachOther)
{
    const int count = static_cast<int>(PieceSet::names().size());
    for (int a = 0; a < count; ++a) {
        for (int b = a + 1; b < count; ++b) {
            const PieceSet first(a), second(b);
            for (PieceCode piece : { kWhiteKnight, kBlackQueen, kWhitePawn })
                EXPECT_GT(meanDifference(first.render(piece, 48), second.render(piece, 48)), 8.0)
                    << PieceSet::names()[a] << " and " << PieceSet::names()[b] << ", piece "
                    << int(piece);
        }
    }
}
