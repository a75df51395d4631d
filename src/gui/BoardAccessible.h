#pragma once

#include <QAccessibleWidget>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "present/CommandTable.h"
#include "rules/PieceCode.h"
#include "rules/Square.h"

namespace velmorak::gui {

class BoardWidget;

// What a screen reader finds on the board widget: the 64 squares in reading order from the
// top-left square as drawn (so a flipped board starts at h1), then the layout buttons the
// current layout draws, then the panel's two status lines and its clocks as text, then the
// widget's real children (the analysis list, the move field). The board's description
// (the last move, whose move it is or how the game ended) is the widget's own, set by the
// window.
//
// The squares, buttons and panel texts are only painted: this interface keeps one child
// interface for each, registered with QAccessible and deleted with it. Changes are
// announced by comparing the squares' names and states with what was last announced, once
// a tool has asked for the squares.
class BoardAccessible : public QAccessibleWidget {
public:
    explicit BoardAccessible(BoardWidget* board);
    ~BoardAccessible() override;

    // Makes QAccessible use this interface for every BoardWidget. Idempotent.
    static void install();
    // The board widget has its view: what it shows now is what a tool reads first.
    static void viewAttached(BoardWidget* board);
    // The board's squares, pieces, marks or orientation may have changed: announce what
    // did, once the events being handled are done. Costs next to nothing until a tool has
    // asked for a square.
    static void boardChanged(BoardWidget* board);

    // The second status line now shows what is to be spoken at once: its new name is
    // announced and an alert raised on it.
    static void announceSecondLine(BoardWidget* board);

    // Where announcements go: QAccessible::updateAccessibility, which passes them on only
    // while a tool listens. Returns the one replaced (tests record the announcements).
    using Announcer = void (*)(QAccessibleEvent*);
    static Announcer setAnnouncer(Announcer announcer);

    // The spoken name of a square: "e4, white knight", "e4, empty, legal target".
    static QString squareName(Square square, PieceCode piece, std::uint8_t mark);
    // The square drawn at reading-order position `index` (0 top-left, 63 bottom-right).
    static Square squareAtIndex(int index, bool flipped);
    static int indexOfSquare(Square square, bool flipped);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    BoardWidget* board() const;
    // The layout buttons (390..398) the current layout draws, in order.
    std::vector<int> shownButtons() const;

private:
    QAccessibleInterface* squareChild(Square square) const;
    QAccessibleInterface* buttonChild(int button) const;
    // The status lines (0, 1) and the clocks (2); none before the window provides them.
    int panelPartCount() const;
    QAccessibleInterface* panelChild(int part) const;
    // The squares' names and the selected squares, by square index; false without a view.
    bool takeSnapshot(std::array<QString, 64>& names, std::uint64_t& selected) const;
    // Takes what the board shows now as announced.
    void prime();
    void announceChanges();

    // Child interfaces made on first use, by square index (file × 8 + rank) and button.
    mutable std::array<QAccessible::Id, 64> m_squareIds {};
    mutable std::array<QAccessible::Id, kLayoutButtonCount> m_buttonIds {};
    mutable std::array<QAccessible::Id, 3> m_panelIds {};
    // The names last announced, to tell which squares changed.
    std::array<QString, 64> m_announced;
    std::uint64_t m_announcedSelected = 0;
    bool m_announcedFlipped = false;
    bool m_primed = false;
    bool m_refreshQueued = false;
    // A square was asked for: someone reads the board.
    mutable bool m_partsSeen = false;
};

} // namespace velmorak::gui
