#include "gui/Artwork.h"

#include <algorithm>

namespace velmorak::gui {

void Artwork::choose(int pieceSet, int texture)
{
    if (pieceSet != m_pieceSet) {
        m_pieceSet = pieceSet;
        m_set = std::make_unique<PieceSet>(pieceSet);
        m_pieces.clear();
    }
    if (texture != m_texture) {
        m_texture = texture;
        m_tiles.clear();
        m_sheets.clear();
    }
}

const QPixmap& Artwork::piece(PieceCode piece, int px)
{
    if (piece > kBlackQueen || (piece & 7) > kQueen || !m_set)
        return m_none;
    auto kept = std::find_if(
        m_pieces.begin(), m_pieces.end(), [px](const Pieces& p) { return p.px == px; });
    if (kept == m_pieces.end()) {
        if (m_pieces.size() >= kPieceSizesKept)
            m_pieces.erase(m_pieces.begin());
        m_pieces.push_back(Pieces { px, {} });
        kept = m_pieces.end() - 1;
    }
    QPixmap& picture = kept->pictures[piece];
    if (picture.isNull())
        picture = QPixmap::fromImage(m_set->render(piece, px));
    return picture;
}

const Artwork::Tiles& Artwork::tiles(int tilePx)
{
    for (const Tiles& kept : m_tiles)
        if (kept.px == tilePx) {
            m_frameLight = kept.frameLight;
            return kept;
        }
    if (m_tiles.size() >= kTileSizesKept)
        m_tiles.erase(m_tiles.begin());
    BoardTexture made = makeBoardTexture(m_texture, tilePx);
    // The frame's mean lightness, from a sparse grid of its pixels.
    long sum = 0, count = 0;
    const int step = std::max(1, tilePx / 16);
    for (int y = 0; y < made.frame.height(); y += step)
        for (int x = 0; x < made.frame.width(); x += step, ++count)
            sum += qGray(made.frame.pixel(x, y));
    m_tiles.push_back(Tiles { tilePx, QPixmap::fromImage(made.light),
        QPixmap::fromImage(made.frame), count > 0 && sum / count > 150 });
    m_frameLight = m_tiles.back().frameLight;
    return m_tiles.back();
}

const QPixmap& Artwork::lightTile(int tilePx)
{
    return tiles(tilePx).light;
}

QBrush Artwork::squareBrush(int file, int rank, QPoint topLeft, int squarePx)
{
    auto kept = std::find_if(m_sheets.begin(), m_sheets.end(),
        [squarePx](const Sheets& sheets) { return sheets.px == squarePx; });
    if (kept == m_sheets.end()) {
        if (m_sheets.size() >= kSheetSizesKept)
            m_sheets.erase(m_sheets.begin());
        BoardSheets made = makeBoardSheets(m_texture, squarePx);
        m_sheets.push_back(
            Sheets { squarePx, QPixmap::fromImage(made.light), QPixmap::fromImage(made.dark) });
        kept = m_sheets.end() - 1;
    }
    const SquareCut cut = squareCut(m_texture, file, rank);
    // Maps the cut's corner to `topLeft`; a mirrored axis runs back from the far side. Whole
    // pixels and unit scales only, so no pixel of the sheet is resampled.
    const int left = cut.column * squarePx, top = cut.row * squarePx;
    const QTransform place(cut.mirrored ? -1 : 1, 0, 0, cut.upsideDown ? -1 : 1,
        cut.mirrored ? topLeft.x() + squarePx + left : topLeft.x() - left,
        cut.upsideDown ? topLeft.y() + squarePx + top : topLeft.y() - top);
    QBrush brush((file + rank) % 2 == 1 ? kept->light : kept->dark);
    brush.setTransform(place);
    return brush;
}

const QPixmap& Artwork::frameTile(int tilePx)
{
    return tiles(tilePx).frame;
}

} // namespace velmorak::gui
