#pragma once

#include <QPixmap>
#include <array>
#include <memory>

#include "gui/BoardTexture.h"
#include "gui/PieceSet.h"
#include "rules/PieceCode.h"

namespace velmorak::gui {

// The piece pictures and texture tiles of the chosen set and texture, made once for each
// device-pixel size asked for and kept until the size, the set or the texture changes.
class Artwork {
public:
    // `pieceSet`: 0..5; `texture`: the setting's bitmap value (137...).
    void choose(int pieceSet, int texture);
    int pieceSet() const { return m_pieceSet; }
    int texture() const { return m_texture; }

    // The piece as a `px` x `px` device-pixel picture; null for an empty square.
    const QPixmap& piece(PieceCode piece, int px);
    // Square tiles `tilePx` device pixels wide.
    const QPixmap& lightTile(int tilePx);
    const QPixmap& darkTile(int tilePx);
    const QPixmap& frameTile(int tilePx);
    // Whether the frame is light, so its labels are written dark (tiles made first).
    bool isFrameLight() const { return m_frameLight; }

private:
    void makeTiles(int tilePx);

    int m_pieceSet = -1;
    int m_texture = -1;
    std::unique_ptr<PieceSet> m_set;
    int m_piecePx = 0;
    std::array<QPixmap, 16> m_pieces;
    int m_tilePx = 0;
    QPixmap m_light, m_dark, m_frame;
    bool m_frameLight = false;
    QPixmap m_none;
};

} // namespace velmorak::gui
