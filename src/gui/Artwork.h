#pragma once

#include <QBrush>
#include <QPixmap>
#include <array>
#include <memory>
#include <vector>

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
    // Square tiles `tilePx` device pixels wide, for the layout buttons and the frame.
    const QPixmap& lightTile(int tilePx);
    const QPixmap& frameTile(int tilePx);
    // The brush that fills the square of `file` and `rank` (0..7) with its own cut of the
    // texture, the square's device rectangle starting at `topLeft`. `squarePx` is the width
    // of the board's squares in device pixels: a square rounded a pixel larger reads on into
    // the sheet, which wraps without a seam.
    QBrush squareBrush(int file, int rank, QPoint topLeft, int squarePx);
    // Whether the frame is light, so its labels are written dark (tiles made first).
    bool isFrameLight() const { return m_frameLight; }

private:
    int m_pieceSet = -1;
    int m_texture = -1;
    std::unique_ptr<PieceSet> m_set;
    // Pictures of the last few sizes: squares rounded to device pixels differ by one pixel
    // in size, so one paint asks for two sizes.
    struct Pieces {
        int px = 0;
        std::array<QPixmap, 16> pictures;
    };
    static constexpr std::size_t kPieceSizesKept = 4;
    std::vector<Pieces> m_pieces;
    // Tiles of the last few sizes: the board and the layout buttons ask for two sizes in
    // every paint, and remaking a texture costs far more than a paint.
    struct Tiles {
        int px = 0;
        QPixmap light, frame;
        bool frameLight = false;
    };
    static constexpr std::size_t kTileSizesKept = 4;
    const Tiles& tiles(int tilePx);
    std::vector<Tiles> m_tiles;
    // The sheets the squares are cut from, for the last few square sizes.
    struct Sheets {
        int px = 0;
        QPixmap light, dark;
    };
    static constexpr std::size_t kSheetSizesKept = 2;
    std::vector<Sheets> m_sheets;
    bool m_frameLight = false;
    QPixmap m_none;
};

} // namespace velmorak::gui
