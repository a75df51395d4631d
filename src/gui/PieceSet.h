#pragma once

#include <QImage>
#include <memory>
#include <span>

#include "rules/PieceCode.h"

namespace velmorak::gui {

// One of the six piece sets, drawn from vector outlines at whatever size is asked: the
// compiled-in SVG pieces ("Cases"), the chess glyphs of two free fonts ("Leipzig" from
// FreeSerif, "Mark" from DejaVu Sans, each read from its font file; when the file is missing
// a drawn set stands in) and three sets of our own ("Spanish", "Toonish", "Blocks").
// All pieces of a set share one scale: the set's largest piece fills 88% of the square, and
// every piece is centred on it. Copies share the loaded outlines, so render from one thread
// (the GUI thread); needs a QGuiApplication.
class PieceSet {
public:
    // "Cases", "Leipzig", "Mark", "Spanish", "Toonish", "Blocks": the setting's index order.
    static std::span<const char* const> names();

    // An index outside 0..5 selects set 0.
    explicit PieceSet(int index);

    int index() const { return m_index; }

    // The piece on a transparent px by px image (ARGB32 premultiplied). A code that is not a
    // piece gives a fully transparent image, a size below 1 a null image.
    QImage render(PieceCode piece, int px) const;

private:
    struct Outlines;
    int m_index;
    std::shared_ptr<const Outlines> m_outlines;
};

} // namespace velmorak::gui
