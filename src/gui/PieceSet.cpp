#include "gui/PieceSet.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QSvgRenderer>
#include <algorithm>
#include <array>
#include <vector>

namespace velmorak::gui {
namespace {

constexpr std::array<const char*, 6> kNames { "Cases", "Leipzig", "Mark", "Spanish", "Toonish",
    "Blocks" };
enum SetIndex { Cases, Leipzig, Mark, Spanish, Toonish, Blocks };

// The share of the square the set's largest piece fills.
constexpr qreal kFill = 0.88;
constexpr int kSlots = 12; // white king..queen, then black king..queen, by piece kind

const char* const kFontFiles[] = {
    "/usr/share/fonts/truetype/freefont/FreeSerif.ttf", // Leipzig
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", // Mark
};

// One filled and outlined shape of a drawn piece, painted in order.
struct Layer {
    QPainterPath path;
    QBrush fill;
    QPen pen = Qt::NoPen;
};
using Drawing = std::vector<Layer>;

int slotOf(PieceCode piece)
{
    if (piece < kOffBoard)
        return piece;
    if (piece >= kBlackKing && piece <= kBlackQueen)
        return 6 + (piece & 7);
    return -1;
}

QPainterPath circle(qreal x, qreal y, qreal r)
{
    QPainterPath path;
    path.addEllipse(QPointF(x, y), r, r);
    return path;
}

QPainterPath ellipse(qreal x, qreal y, qreal rx, qreal ry)
{
    QPainterPath path;
    path.addEllipse(QPointF(x, y), rx, ry);
    return path;
}

QPainterPath rect(qreal left, qreal top, qreal right, qreal bottom, qreal radius = 0)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(left, top), QPointF(right, bottom)), radius, radius);
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath unite(std::initializer_list<QPainterPath> parts)
{
    QPainterPath all;
    for (const QPainterPath& part : parts)
        all = all.united(part);
    return all.simplified();
}

// A light rim under the silhouette, so a piece keeps its edge on a square of its own tone.
Layer halo(const QPainterPath& silhouette, qreal width, QColor colour)
{
    QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return { silhouette, colour, pen };
}

// --- "Spanish": lathe-turned wooden pieces, shaded like a cylinder ----------------------

QPainterPath turnedBody(qreal top, qreal halfTop, qreal halfBottom)
{
    QPainterPath path;
    path.moveTo(50 - halfBottom, 86);
    path.cubicTo(50 - halfBottom + 4, 72, 50 - halfTop, top + 10, 50 - halfTop, top);
    path.lineTo(50 + halfTop, top);
    path.cubicTo(50 + halfTop, top + 10, 50 + halfBottom - 4, 72, 50 + halfBottom, 86);
    path.closeSubpath();
    return path;
}

QPainterPath spanishProfile(int kind)
{
    const QPainterPath base = unite({ rect(24, 84, 76, 94, 3), ellipse(50, 84, 22, 4) });
    switch (kind) {
    case kPawn:
        return unite({ rect(28, 84, 72, 94, 3), turnedBody(58, 6, 16), ellipse(50, 58, 13, 3.5),
            circle(50, 44, 12) });
    case kRook:
        return unite({ base, turnedBody(42, 15, 19), ellipse(50, 44, 19, 4),
            polygon({ { 29, 42 }, { 29, 22 }, { 38, 22 }, { 38, 29 }, { 45, 29 }, { 45, 22 },
                { 55, 22 }, { 55, 29 }, { 62, 29 }, { 62, 22 }, { 71, 22 }, { 71, 42 } }) });
    case kBishop: {
        QPainterPath mitre;
        mitre.moveTo(50, 16);
        mitre.cubicTo(66, 26, 65, 44, 58, 50);
        mitre.lineTo(42, 50);
        mitre.cubicTo(35, 44, 34, 26, 50, 16);
        QPainterPath slit = rect(-1.8, -9, 1.8, 9);
        slit = QTransform().translate(55, 31).rotate(-35).map(slit);
        return unite({ base, turnedBody(52, 6, 18), ellipse(50, 52, 15, 4), mitre.subtracted(slit),
            circle(50, 13, 4.5) });
    }
    case kKnight: {
        QPainterPath head;
        head.moveTo(72, 86);
        head.cubicTo(78, 60, 72, 30, 56, 19);
        head.lineTo(54, 7);
        head.lineTo(46, 16);
        head.cubicTo(36, 20, 27, 33, 20, 46);
        head.cubicTo(15, 53, 19, 60, 27, 59);
        head.cubicTo(33, 58, 39, 55, 45, 50);
        head.cubicTo(41, 62, 31, 72, 30, 86);
        head.closeSubpath();
        return unite({ base, head }).subtracted(circle(43, 31, 2.8));
    }
    case kQueen:
        return unite({ base, turnedBody(42, 9, 20), ellipse(50, 44, 17, 4),
            polygon({ { 35, 42 }, { 30, 19 }, { 41, 31 }, { 50, 14 }, { 59, 31 }, { 70, 19 },
                { 65, 42 } }),
            circle(30, 17, 4), circle(50, 11, 4.5), circle(70, 17, 4) });
    case kKing: {
        QPainterPath dome;
        dome.moveTo(36, 42);
        dome.cubicTo(34, 30, 44, 25, 50, 25);
        dome.cubicTo(56, 25, 66, 30, 64, 42);
        dome.closeSubpath();
        return unite({ base, turnedBody(42, 9, 20), ellipse(50, 44, 17, 4), dome,
            rect(47, 6, 53, 27, 1), rect(41, 11, 59, 17, 1) });
    }
    }
    return {};
}

// The turned pieces read too slender at small sizes as drawn: widen all but the knight.
QPainterPath spanishShape(int kind)
{
    const QPainterPath profile = spanishProfile(kind);
    if (kind == kKnight)
        return profile;
    return QTransform().translate(50, 0).scale(1.15, 1).translate(-50, 0).map(profile);
}

// `setIndex` is "Spanish" itself or a set whose source is missing; each stand-in gets flat
// colours of its own so that no two sets look alike.
Drawing drawSpanish(int kind, bool black, int setIndex)
{
    const QPainterPath shape = spanishShape(kind);
    QBrush fill;
    if (setIndex != Spanish) {
        constexpr QRgb kFlat[][2] = { { qRgb(250, 250, 246), qRgb(36, 36, 40) },
            { qRgb(236, 226, 204), qRgb(70, 44, 28) }, { qRgb(222, 232, 244), qRgb(40, 52, 74) } };
        fill = QColor(kFlat[setIndex % 3][black ? 1 : 0]);
    } else {
        // Lit from the left, as turned wood on a lit table.
        QLinearGradient gradient(20, 0, 80, 0);
        gradient.setColorAt(0.0, black ? QColor(120, 78, 50) : QColor(255, 252, 240));
        gradient.setColorAt(0.35, black ? QColor(96, 58, 36) : QColor(246, 236, 212));
        gradient.setColorAt(1.0, black ? QColor(34, 20, 12) : QColor(196, 172, 132));
        fill = gradient;
    }
    Drawing drawing;
    if (black)
        drawing.push_back(halo(shape, 5, QColor(236, 220, 190)));
    drawing.push_back({ shape, fill,
        QPen(black ? QColor(20, 12, 8) : QColor(64, 42, 22), 3, Qt::SolidLine, Qt::RoundCap,
            Qt::RoundJoin) });
    return drawing;
}

// --- "Toonish": round cartoon figures with faces, thick outlines and a sticker rim ----------

// The gold crowns of the queen and the king, drawn over the head.
QPainterPath toonCrown(int kind)
{
    if (kind == kQueen)
        return unite({ polygon({ { 33, 34 }, { 30, 20 }, { 40, 26 }, { 50, 14 }, { 60, 26 },
                           { 70, 20 }, { 67, 34 } }),
            circle(30, 19, 4.5), circle(50, 13, 5), circle(70, 19, 4.5) });
    if (kind == kKing)
        return unite({ rect(35, 22, 65, 34, 4), rect(46.5, 3, 53.5, 24, 2.5),
            rect(40, 8.5, 60, 15.5, 2.5) });
    return {};
}

QPainterPath toonShape(int kind)
{
    switch (kind) {
    // The rook is the one square-shouldered piece, a straight tower under wide notches, and
    // the pawn the smallest, so that on 20-pixel squares neither reads as a round blob with
    // eyes like the other.
    case kPawn:
        return unite({ ellipse(50, 82, 24, 12), circle(50, 56, 16) });
    case kRook:
        return unite({ rect(22, 78, 78, 94, 6), rect(29, 42, 71, 82, 3), rect(20, 14, 80, 46, 4) })
            .subtracted(rect(33, 6, 44, 27))
            .subtracted(rect(56, 6, 67, 27));
    case kBishop:
        return unite({ ellipse(50, 74, 28, 19), ellipse(50, 40, 17, 19), circle(50, 17, 6) });
    case kKnight:
        return unite({ ellipse(54, 78, 29, 15), ellipse(52, 44, 19, 23), ellipse(31, 56, 15, 11),
            ellipse(62, 19, 6, 11) });
    case kQueen:
        return unite({ ellipse(50, 75, 30, 18), circle(50, 48, 18), toonCrown(kind) });
    case kKing:
        return unite({ ellipse(50, 75, 31, 18), circle(50, 48, 19), toonCrown(kind) });
    }
    return {};
}

QPointF toonFace(int kind)
{
    switch (kind) {
    case kPawn:
        return { 50, 56 };
    case kRook:
        return { 50, 58 };
    case kBishop:
        return { 50, 44 };
    case kKnight:
        return { 50, 38 };
    default:
        return { 50, 48 };
    }
}

Drawing drawToon(int kind, bool black)
{
    const QPainterPath shape = toonShape(kind);
    const QColor ink(24, 22, 30);
    const QColor body = black ? QColor(66, 58, 92) : QColor(252, 246, 226);
    Drawing drawing;
    drawing.push_back(halo(shape, 15, QColor(250, 250, 246)));
    drawing.push_back({ shape, body, QPen(ink, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin) });
    // A shine on the upper left and the face: two eyes, the knight's single eye in profile.
    const QPainterPath crown = toonCrown(kind);
    if (!crown.isEmpty())
        drawing.push_back({ crown, QColor(244, 196, 48),
            QPen(ink, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin) });
    const QPointF face = toonFace(kind);
    drawing.push_back(
        { ellipse(face.x() - 9, face.y() - 10, 4, 2.5), QColor(255, 255, 255, black ? 110 : 200) });
    const QPen thin(ink, 1.6);
    const auto eye = [&](qreal x, qreal y) {
        drawing.push_back({ circle(x, y, 5), Qt::white, thin });
        drawing.push_back({ circle(x + 1, y + 1, 2.6), ink });
    };
    if (kind == kKnight) {
        eye(face.x(), face.y());
        drawing.push_back({ circle(22, 56, 2.2), ink });
    } else {
        eye(face.x() - 7, face.y());
        eye(face.x() + 7, face.y());
    }
    return drawing;
}

qreal signedArea(const QPolygonF& contour)
{
    qreal twice = 0;
    for (qsizetype i = 0; i < contour.size(); ++i) {
        const QPointF& a = contour[i];
        const QPointF& b = contour[(i + 1) % contour.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return twice / 2;
}

// Everything inside the outer contours of the paths: their holes filled.
QPainterPath silhouette(std::initializer_list<const QPainterPath*> paths)
{
    QPainterPath all;
    for (const QPainterPath* path : paths) {
        for (QPolygonF contour : path->toSubpathPolygons()) {
            // Turning every contour the same way makes the holes wind twice: filled.
            if (signedArea(contour) < 0)
                std::reverse(contour.begin(), contour.end());
            all.addPolygon(contour);
        }
    }
    all.setFillRule(Qt::WindingFill);
    return all.simplified();
}

// --- "Blocks": flat geometric pieces ------------------------------------------------------

QPainterPath blockShape(int kind)
{
    switch (kind) {
    case kPawn:
        return unite(
            { circle(50, 44, 13), polygon({ { 34, 92 }, { 42, 56 }, { 58, 56 }, { 66, 92 } }) });
    case kRook:
        return unite({ rect(30, 40, 70, 92), rect(30, 22, 40, 41), rect(45, 22, 55, 41),
            rect(60, 22, 70, 41) });
    case kBishop:
        return unite({ polygon({ { 31, 92 }, { 50, 30 }, { 69, 92 } }), circle(50, 24, 8) })
            .subtracted(rect(47, 54, 53, 78));
    case kKnight:
        return polygon({ { 30, 92 }, { 72, 92 }, { 72, 30 }, { 62, 10 }, { 52, 22 }, { 24, 40 },
                           { 24, 56 }, { 44, 54 } })
            .subtracted(rect(50, 30, 58, 38));
    case kQueen:
        return unite({ polygon({ { 30, 92 }, { 36, 52 }, { 64, 52 }, { 70, 92 } }),
            polygon({ { 27, 53 }, { 27, 20 }, { 39, 38 }, { 50, 12 }, { 61, 38 }, { 73, 20 },
                { 73, 53 } }) });
    case kKing:
        return unite({ rect(31, 52, 69, 92), rect(35, 36, 65, 53), rect(46, 6, 54, 37),
            rect(37, 14, 63, 22) });
    }
    return {};
}

Drawing drawBlocks(int kind, bool black)
{
    const QPainterPath shape = blockShape(kind);
    if (!black) {
        const QPen edge(QColor(40, 40, 44), 2.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        return { { shape, QColor(244, 242, 236), edge } };
    }
    // The light edge goes round the outside only: edging the bishop's slit and the knight's
    // eye too made the slender black bishop read as a light outline at small sizes.
    const QPen edge(QColor(222, 222, 214), 2.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    return { { shape, QColor(44, 46, 54) }, { silhouette({ &shape }), Qt::NoBrush, edge } };
}

// --- Font glyphs -------------------------------------------------------------------------

// U+2654..U+2659 are the outlined (white) king, queen, rook, bishop, knight, pawn; the
// filled (black) glyphs follow six code points later.
int glyphOffset(int kind)
{
    constexpr int kOffsets[] = { 0, 3, 4, 2, 5, 1 }; // by piece kind K B N R P Q
    return kOffsets[kind];
}

bool glyphDrawings(const char* file, std::array<Drawing, kSlots>& drawings)
{
    const QRawFont font(QString::fromLatin1(file), 200);
    if (!font.isValid())
        return false;
    const auto glyph = [&font](char32_t code, QPainterPath& path) {
        const QList<quint32> indexes = font.glyphIndexesForString(QString::fromUcs4(&code, 1));
        if (indexes.size() != 1 || indexes[0] == 0)
            return false;
        path = font.pathForGlyph(indexes[0]);
        return !path.isEmpty();
    };
    for (int kind = 0; kind < 6; ++kind) {
        QPainterPath outline, solid;
        if (!glyph(0x2654 + glyphOffset(kind), outline) ||
            !glyph(0x265A + glyphOffset(kind), solid))
            return false;
        const qreal rim = 0.025 * solid.boundingRect().height();
        // White: everything inside the outer contours of both glyphs is painted white (the
        // filled glyph's carved details would let the square show through), then the outlined
        // glyph draws on it.
        drawings[kind] = { { silhouette({ &solid, &outline }), Qt::white },
            { outline, Qt::black } };
        // Black: the light rim goes round the outside only. Through the carved details shows
        // a grey, not the rim: light details, as thick as the rim at small sizes, made the
        // black king and queen read as outlines.
        const QPainterPath outer = silhouette({ &solid });
        drawings[6 + kind] = {
            { outer, Qt::NoBrush,
                QPen(QColor(240, 240, 236), 2 * rim, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin) },
            { outer, QColor(112, 112, 112) }, { solid, Qt::black }
        };
    }
    return true;
}

const char* const kSvgNames[] = { "King", "Bishop", "Knight", "Rook", "Pawn", "Queen" };

// The box the drawn pixels of an SVG cover, in its view-box units.
QRectF inkBounds(QSvgRenderer& renderer)
{
    constexpr int kProbe = 256;
    QImage probe(kProbe, kProbe, QImage::Format_ARGB32_Premultiplied);
    probe.fill(Qt::transparent);
    {
        QPainter painter(&probe);
        renderer.render(&painter, QRectF(0, 0, kProbe, kProbe));
    }
    int left = kProbe, top = kProbe, right = -1, bottom = -1;
    for (int y = 0; y < kProbe; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(probe.constScanLine(y));
        for (int x = 0; x < kProbe; ++x) {
            if (qAlpha(line[x]) > 16) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    const QRectF box = renderer.viewBoxF();
    if (right < 0)
        return box;
    const qreal sx = box.width() / kProbe, sy = box.height() / kProbe;
    return QRectF(
        box.x() + left * sx, box.y() + top * sy, (right - left + 1) * sx, (bottom - top + 1) * sy);
}

// The width of the light rim around an SVG black piece.
int haloRim(int px)
{
    return std::max(1, px / 40);
}

// The black SVG pieces carry white details; at small sizes they run together into light
// bands and the piece reads as an outline. Grey reads as detail on black at every size.
QImage dimDetails(QImage piece)
{
    constexpr int kBrightest = 128;
    for (int y = 0; y < piece.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < piece.width(); ++x) {
            // Premultiplied: a channel's limit scales with the pixel's coverage.
            const int limit = qAlpha(line[x]) * kBrightest / 255;
            line[x] = qRgba(std::min(qRed(line[x]), limit), std::min(qGreen(line[x]), limit),
                std::min(qBlue(line[x]), limit), qAlpha(line[x]));
        }
    }
    return piece;
}

// The SVG pieces have no outline of their own to widen: the rim is the piece's picture,
// tinted, stamped around it.
QImage withHalo(const QImage& piece)
{
    const int rim = haloRim(piece.width());
    QImage tint = piece;
    {
        QPainter painter(&tint);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(tint.rect(), QColor(236, 232, 220));
    }
    QImage framed(piece.size(), piece.format());
    framed.fill(Qt::transparent);
    QPainter painter(&framed);
    for (int dy = -rim; dy <= rim; ++dy)
        for (int dx = -rim; dx <= rim; ++dx)
            if (dx * dx + dy * dy <= rim * rim + 1)
                painter.drawImage(dx, dy, tint);
    painter.drawImage(0, 0, piece);
    return framed;
}

} // namespace

struct PieceSet::Outlines {
    std::array<std::unique_ptr<QSvgRenderer>, kSlots> svg;
    std::array<Drawing, kSlots> drawings;
    std::array<QRectF, kSlots> bounds;
    qreal extent = 1;
};

std::span<const char* const> PieceSet::names()
{
    return kNames;
}

PieceSet::PieceSet(int index)
    : m_index(index >= 0 && index < static_cast<int>(kNames.size()) ? index : 0)
{
    auto outlines = std::make_shared<Outlines>();
    bool loaded = false;
    if (m_index == Cases) {
        loaded = true;
        for (int slot = 0; slot < kSlots && loaded; ++slot) {
            const QString name = QStringLiteral(":/pieces/%1%2.svg")
                                     .arg(slot < 6 ? "White" : "Black", kSvgNames[slot % 6]);
            outlines->svg[slot] = std::make_unique<QSvgRenderer>(name);
            loaded = outlines->svg[slot]->isValid();
            if (loaded)
                outlines->bounds[slot] = inkBounds(*outlines->svg[slot]);
        }
        if (!loaded)
            outlines->svg = {};
    } else if (m_index == Leipzig || m_index == Mark) {
        loaded = glyphDrawings(kFontFiles[m_index - Leipzig], outlines->drawings);
    }
    if (!loaded) {
        // Our own sets, and the stand-in for a set whose source is missing: the turned
        // pieces, flat-shaded.
        for (int slot = 0; slot < kSlots; ++slot) {
            const int kind = slot % 6;
            const bool black = slot >= 6;
            outlines->drawings[slot] = m_index == Toonish ? drawToon(kind, black)
                : m_index == Blocks                       ? drawBlocks(kind, black)
                                                          : drawSpanish(kind, black, m_index);
        }
    }
    if (!outlines->svg[0]) {
        for (int slot = 0; slot < kSlots; ++slot) {
            QRectF box;
            for (const Layer& layer : outlines->drawings[slot]) {
                const qreal pen = layer.pen.style() == Qt::NoPen ? 0 : layer.pen.widthF() / 2;
                box = box.united(layer.path.boundingRect().adjusted(-pen, -pen, pen, pen));
            }
            outlines->bounds[slot] = box;
        }
    }
    for (const QRectF& box : outlines->bounds)
        outlines->extent = std::max({ outlines->extent, box.width(), box.height() });
    m_outlines = std::move(outlines);
}

QImage PieceSet::render(PieceCode piece, int px) const
{
    if (px < 1)
        return {};
    QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const int slot = slotOf(piece);
    if (slot < 0)
        return image;
    const Outlines& outlines = *m_outlines;
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    // The rim stamped around the SVG pieces counts in the share of the square they fill.
    const qreal drawn = kFill * px - (outlines.svg[slot] ? 2 * haloRim(px) : 0);
    const qreal scale = drawn / outlines.extent;
    painter.translate(px / 2.0, px / 2.0);
    painter.scale(scale, scale);
    painter.translate(-outlines.bounds[slot].center());
    if (outlines.svg[slot]) {
        outlines.svg[slot]->render(&painter, outlines.svg[slot]->viewBoxF());
        painter.end();
        return slot >= 6 ? withHalo(dimDetails(image)) : image;
    }
    for (const Layer& layer : outlines.drawings[slot]) {
        painter.setPen(layer.pen);
        painter.setBrush(layer.fill);
        painter.drawPath(layer.path);
    }
    return image;
}

} // namespace velmorak::gui
