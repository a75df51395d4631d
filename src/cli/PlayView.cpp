#include "PlayView.h"

#include "PlayOutput.h"
#include "record/CGameNode.h"
#include "rules/Board.h"

namespace velmorak::cli {

void PlayView::showMoveThereAndBack(Move, std::string_view san, bool threat)
{
    m_output.line(threat ? "threat" : "hint", san);
}

void PlayView::positionChanged(const Board& board)
{
    m_output.line("fen", board.fen());
}

void PlayView::moveEntered(const CGameNode& node)
{
    m_output.line("move", node.san());
}

} // namespace velmorak::cli
