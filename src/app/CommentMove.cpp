#include "app/CommentMove.h"

#include "app/GameController.h"
#include "record/GameTreeEditing.h"

namespace velmorak {

CommentMove::CommentMove(GameController& game)
    : m_game(game)
{
    CGameNode* node = game.takeCommentTarget();
    if (node->parent()) {
        m_node = node;
        return;
    }
    GameController::ModalDialogScope open(game);
    game.prompts().showMessage(
        kProgramTitle, "Not possible in starting position.", MessageIcon::Information);
}

void CommentMove::setNag(int choice)
{
    setNagChoice(m_game.game(), *m_node, choice);
}

void CommentMove::promote(std::string_view comment)
{
    promoteLine(m_game.game(), m_node);
    close(comment);
}

bool CommentMove::deleteLine()
{
    if (!m_game.deleteLine(m_node))
        return false;
    m_node = nullptr;
    return true;
}

void CommentMove::close(std::string_view comment)
{
    if (!m_node)
        return;
    const std::string before = m_node->comment();
    m_node->storeEditedComment(comment);
    if (m_node->comment() != before)
        m_game.game().setChanged(true);
    m_node = nullptr;
}

} // namespace velmorak
