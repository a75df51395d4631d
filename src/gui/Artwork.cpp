#include "gui/Artwork.h"

namespace velmorak::gui {

void Artwork::choose(int pieceSet, int texture)
{
    if (pieceSet != m_pieceSet) {
        m_pieceSet = pieceSet;
        m_set = std::make_unique<PieceSet>(pieceSet);
        m_piecePx = 0;
    }
    if (texture != m_texture) {
        m_texture = texture;
        m_tilePx = 0;
    }
}

const QPixmap& Artwork::piece(PieceCode piece, int px)
{
    if (piece > kBlackQueen || (piece & 7) > kQueen || !m_set)
        return m_none;
    if (px != m_piecePx) {
        for (QPixmap& picture : m_pieces)
            picture = QPixmap();
        m_piecePx = px;
    }
    QPixmap& picture = m_pieces[piece];
    if (picture.isNull())
        picture = QPixmap::fromImage(m_set->render(piece, px));
    return picture;
}

void Artwork::makeTiles(int tilePx)
{
    if (tilePx == m_tilePx)
        return;
    BoardTexture made = makeBoardTexture(m_texture, tilePx);
    m_light = QPixmap::fromImage(made.light);
    m_dark = QPixmap::fromImage(made.dark);
    m_frame = QPixmap::fromImage(made.frame);
    m_tilePx = tilePx;
    // The frame's mean lightness, from a sparse grid of its pixels.
    long sum = 0, count = 0;
    const int step = std::max(1, tilePx / 16);
    for (int y = 0; y < made.frame.height(); y += step)
        for (int x = 0; x < made.frame.width(); x += step, ++count)
            sum += qGray(made.frame.pixel(x, y));
    m_frameLight = count > 0 && sum / count > 150;
}

const QPixmap& Artwork::lightTile(int tilePx)
{
    makeTiles(tilePx);
    return m_light;
}

const QPixmap& Artwork::darkTile(int tilePx)
{
    makeTiles(tilePx);
    return m_dark;
}

const QPixmap& Artwork::frameTile(int tilePx)
{
    makeTiles(tilePx);
    return m_frame;
}

} // namespace velmorak::gui
