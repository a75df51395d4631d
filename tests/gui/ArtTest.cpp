// What the board and the window paint with: textures, piece sets, icons and elided text.
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ArtImages.h"
#include "gui/Artwork.h"
#include "gui/BoardTexture.h"
#include "gui/Icons.h"
#include "gui/PieceSet.h"
#include "gui/QtText.h"
#include "present/BoardLayout.h"
#include "present/CommandTable.h"

using namespace velmorak::gui;
using namespace velmorak;

namespace {

// Mean grey difference between two columns of a tile.
double columnStep(const QImage& tile, int a, int b)
{
    double total = 0;
    for (int y = 0; y < tile.height(); ++y)
        total += std::abs(qGray(tile.pixel(a, y)) - qGray(tile.pixel(b, y)));
    return total / tile.height();
}

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

TEST(BoardTexture, EveryTextureHasGrainContrastAndTheRightFrame)
{
    // The frame repeats the look of the dark squares for these, of the light ones for the rest.
    const auto frameFromDark = [](int id) {
        return id == 137 || id == 138 || id == 154 || id == 155 || id == 166;
    };
    for (const BoardTextureInfo& info : boardTextures()) {
        SCOPED_TRACE(info.name);
        const BoardTexture texture = makeBoardTexture(info.id, 60);
        const GreyLevels light = greyLevels(texture.light), dark = greyLevels(texture.dark),
                         frame = greyLevels(texture.frame);
        for (const QImage* tile : { &texture.light, &texture.dark, &texture.frame }) {
            EXPECT_EQ(tile->size(), QSize(60, 60));
            EXPECT_GT(greyLevels(*tile).spread, 2.0) << "a uniform tile";
        }
        EXPECT_GT(light.mean - dark.mean, 50.0);
        const bool nearerDark =
            std::abs(frame.mean - dark.mean) < std::abs(frame.mean - light.mean);
        EXPECT_EQ(nearerDark, frameFromDark(info.id));
        // Tiles wrap: the last column runs into the first as smoothly as neighbours do.
        EXPECT_LT(columnStep(texture.light, 59, 0), 3 * columnStep(texture.light, 0, 1) + 4);

        // Squares of a colour side by side (b1 and c2) show different cuts of the grain,
        // apart by a third of its own contrast; copies of one tile are not apart at all.
        Artwork artwork;
        artwork.choose(0, info.id);
        QImage squares(120, 60, QImage::Format_RGB32);
        QPainter painter(&squares);
        painter.fillRect(0, 0, 60, 60, artwork.squareBrush(1, 0, { 0, 0 }, 60));
        painter.fillRect(60, 0, 60, 60, artwork.squareBrush(2, 1, { 60, 0 }, 60));
        painter.end();
        const QImage b1 = squares.copy(0, 0, 60, 60);
        EXPECT_GT(meanDifference(b1, squares.copy(60, 0, 60, 60)), greyLevels(b1).spread / 3);
    }
}

TEST(BoardTexture, UnknownValuesGiveBrownAndKnownOnesThemselves)
{
    for (const BoardTextureInfo& info : boardTextures())
        EXPECT_EQ(boardTextureId(info.id), info.id) << info.name;
    const QImage brown = makeBoardTexture(137, 24).dark;
    for (int value : { 0, -1, 136, 142, 153, 168, 100000 }) {
        EXPECT_EQ(boardTextureId(value), 137) << value;
        EXPECT_EQ(makeBoardTexture(value, 24).dark, brown) << value;
    }
}

TEST(BoardTexture, IsTheSameEveryTimeAndFastEnoughForEveryResize)
{
    EXPECT_EQ(makeBoardTexture(141, 48).light, makeBoardTexture(141, 48).light);
    EXPECT_NE(makeBoardTexture(141, 48).light, makeBoardTexture(139, 48).light);
    EXPECT_EQ(makeBoardTexture(156, 0).light.size(), QSize(1, 1));

    const auto start = std::chrono::steady_clock::now();
    for (const BoardTextureInfo& info : boardTextures())
        makeBoardTexture(info.id, 60);
    const auto each = (std::chrono::steady_clock::now() - start) / boardTextures().size();
    EXPECT_LT(each, std::chrono::milliseconds(10));

    EXPECT_EQ(makeBoardSheets(155, 30).dark, makeBoardSheets(155, 30).dark);
}

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

TEST(Icons, EveryIconTheCommandsAskForIsDrawnAndOthersAreNone)
{
    struct Row {
        std::string name;
        QIcon icon;
    };
    std::vector<Row> rows;
    for (const CommandBarButton& button : commandBarButtons())
        rows.push_back({ std::string(button.tooltip), commandBarIcon(button.image) });
    for (bool connected : { false, true })
        for (int button = kFirstLayoutButton; button < kFirstLayoutButton + kLayoutButtonCount;
             ++button)
            rows.push_back({ std::string(layoutButtonAction(button, connected)->tooltip),
                layoutButtonIcon(layoutButtonAction(button, connected)->icon) });
    rows.push_back({ "application", applicationIcon() });
    ASSERT_EQ(rows.size(), 8u + 18u + 1u);

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.icon.isNull());
        for (int px : { 16, 32 }) {
            const QImage normal = row.icon.pixmap(px, px).toImage();
            EXPECT_EQ(normal.size(), QSize(px, px));
            EXPECT_GT(inkBounds(normal).width(), px / 2);
        }
        const QImage disabled = row.icon.pixmap(32, 32, QIcon::Disabled).toImage();
        EXPECT_GT(meanDifference(disabled, row.icon.pixmap(32, 32).toImage()), 5.0);
    }
    EXPECT_TRUE(commandBarIcon(-1).isNull());
    EXPECT_TRUE(commandBarIcon(8).isNull());
    EXPECT_TRUE(layoutButtonIcon(18).isNull());
}

TEST(QtText, ALineTooLongLosesWholeMovesFromItsMiddle)
{
    const QFontMetrics metrics(QApplication::font());
    const QString line = QStringLiteral("D24 +12.20 10..Qxh4 11.Nc3 c4 12.dxc4 Nf6 13.Rae1 Nd7");
    const int width = metrics.horizontalAdvance(line) * 2 / 3;
    const QString shown = elidedBetweenWords(metrics, line, width);
    EXPECT_LE(metrics.horizontalAdvance(shown), width);
    ASSERT_TRUE(shown.contains(QStringLiteral(" \u2026 "))) << shown.toStdString();
    // Every word left is one of the line's, whole; the ends stay.
    const QStringList words = line.split(u' ');
    for (const QString& word : shown.split(u' '))
        EXPECT_TRUE(word == QStringLiteral("\u2026") || words.contains(word)) << word.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("D24 ")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral(" Nd7")));

    EXPECT_EQ(elidedBetweenWords(metrics, line, metrics.horizontalAdvance(line)), line);
    const QString word = QStringLiteral("Featherstonehaugh-Cholmondeley");
    EXPECT_LE(metrics.horizontalAdvance(elidedBetweenWords(metrics, word, 60)), 60);
}
