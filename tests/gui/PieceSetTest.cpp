#include "gui/PieceSet.h"

#include <algorithm>
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "ArtImages.h"
#include "present/BoardLayout.h"

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

// The smallest square any layout gives: where a piece has the fewest pixels to read by.
int smallestSquare()
{
    int px = INT_MAX;
    for (int index = 0; index < kLayoutCount; ++index)
        px =
            std::min({ px, layoutRecord(index)[kSquareWidth], layoutRecord(index)[kSquareHeight] });
    return px;
}

// The share of light pixels (grey above 150) inside a piece: the opaque pixels whose eight
// neighbours are opaque too, below the top quarter of its ink, where the rim between a
// crown's points a pixel apart would count as inside.
double lightInside(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const auto opaque = [&](int x, int y) { return qAlpha(image.pixel(x, y)) > 128; };
    const QRect ink = inkBounds(image);
    int inside = 0, light = 0;
    for (int y = std::max(1, ink.top() + ink.height() / 4); y < image.height() - 1; ++y) {
        for (int x = 1; x < image.width() - 1; ++x) {
            bool surrounded = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    surrounded = surrounded && opaque(x + dx, y + dy);
            if (!surrounded)
                continue;
            ++inside;
            light += qGray(image.pixel(x, y)) > 150 ? 1 : 0;
        }
    }
    return inside == 0 ? 0 : double(light) / inside;
}

// The share of the square covered by one piece's silhouette and not the other's.
double outlineDifference(const QImage& a, const QImage& b)
{
    const QImage first = a.convertToFormat(QImage::Format_ARGB32);
    const QImage second = b.convertToFormat(QImage::Format_ARGB32);
    int differing = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            differing += (qAlpha(first.pixel(x, y)) > 128) != (qAlpha(second.pixel(x, y)) > 128);
    return double(differing) / (first.width() * first.height());
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

// At the smallest square, and at 30 pixels: a black piece reads as black, not as an
// outline of its light rim, and each kind has a silhouette of its own.
TEST_P(EveryPieceSet, EveryPieceReadsOnTheSmallestSquares)
{
    const PieceSet set(GetParam());
    constexpr int kKinds[] = { kKing, kQueen, kRook, kBishop, kKnight, kPawn };
    for (int px : { smallestSquare(), 30 }) {
        SCOPED_TRACE(px);
        for (int colour : { 0, int(kBlack) }) {
            for (int a : kKinds) {
                SCOPED_TRACE(a);
                const QImage first = set.render(PieceCode(a | colour), px);
                if (colour == kBlack) {
                    EXPECT_LE(lightInside(first), 0.125);
                }
                for (int b : kKinds) {
                    if (b <= a)
                        continue;
                    EXPECT_GT(outlineDifference(first, set.render(PieceCode(b | colour), px)), 0.03)
                        << b;
                }
            }
            // The two kinds a glance must never confuse: in every set their outlines differ
            // over about a tenth of the square.
            EXPECT_GT(outlineDifference(set.render(PieceCode(kRook | colour), px),
                          set.render(PieceCode(kPawn | colour), px)),
                0.095);
        }
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
