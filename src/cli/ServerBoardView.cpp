#include "ServerBoardView.h"

#include "PlayOutput.h"
#include "app/GameController.h"
#include "record/CGameNode.h"
#include "rules/Board.h"

namespace velmorak::cli {

void ServerBoardView::print(const std::string& fen)
{
    m_lastFen = fen;
    m_output.line("fen", fen);
}

void ServerBoardView::positionChanged(const Board& board)
{
    if (m_holding && m_controller && m_controller->currentNode()->parent() == nullptr)
        m_holding = false;
    if (!m_holding)
        print(board.fen());
}

void ServerBoardView::gameStarted(const Board& board)
{
    // A position set up for the new game while the old one was still held has not been
    // printed yet.
    bool wasHolding = m_holding;
    m_holding = false;
    if (std::string fen = board.fen(); wasHolding && fen != m_lastFen)
        print(fen);
}

} // namespace velmorak::cli
