#include "CGameNode.h"

#include <algorithm>

namespace velmorak {

CGameNode::CGameNode(
    Move move, std::string san, int ply, std::string comment, std::uint8_t nag, std::int64_t time)
    : m_move(move)
    , m_san(std::move(san))
    , m_ply(ply)
    , m_comment(std::move(comment))
    , m_nag(nag)
    , m_time(time)
{
}

CGameNode::~CGameNode()
{
    // Unlink the subtree breadth by breadth so that destroying a node never recurses: every
    // node taken from the work list has had its own children moved out before it dies.
    std::vector<std::unique_ptr<CGameNode>> pending;
    pending.swap(m_children);
    while (!pending.empty()) {
        std::unique_ptr<CGameNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->m_children)
            pending.push_back(std::move(child));
        node->m_children.clear();
    }
}

CGameNode* CGameNode::addChild(std::unique_ptr<CGameNode> node)
{
    node->m_parent = this;
    node->m_depth = m_depth + 1;
    m_children.push_back(std::move(node));
    return m_children.back().get();
}

int CGameNode::indexOfChild(const CGameNode* node) const
{
    for (std::size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i].get() == node)
            return static_cast<int>(i);
    return -1;
}

void CGameNode::removeChild(CGameNode* node)
{
    int index = indexOfChild(node);
    if (index < 0)
        return;
    m_children.erase(m_children.begin() + index);
}

void CGameNode::promote(CGameNode* node)
{
    int index = indexOfChild(node);
    if (index <= 0)
        return;
    std::rotate(m_children.begin(), m_children.begin() + index, m_children.begin() + index + 1);
}

void CGameNode::storeEditedComment(std::string_view text)
{
    m_comment.assign(text);
    std::replace(m_comment.begin(), m_comment.end(), '}', ')');
}

int CGameNode::countNodes() const
{
    int count = 0;
    std::vector<const CGameNode*> pending { this };
    while (!pending.empty()) {
        const CGameNode* node = pending.back();
        pending.pop_back();
        ++count;
        for (const auto& child : node->m_children)
            pending.push_back(child.get());
    }
    return count;
}

CGameNode* CGameNode::endOfMainLine()
{
    CGameNode* node = this;
    while (!node->m_children.empty())
        node = node->m_children.front().get();
    return node;
}

bool CGameNode::isInSubtreeOf(const CGameNode* ancestor) const
{
    for (const CGameNode* node = this; node; node = node->m_parent)
        if (node == ancestor)
            return true;
    return false;
}

std::string CGameNode::numberText() const
{
    std::string text = std::to_string(moveNumber());
    text += isBlackMove() ? ".." : ".";
    return text;
}

std::string CGameNode::label() const
{
    std::string text = numberText();
    text += m_san;
    text += nagGlyph(m_nag);
    return text;
}

std::string_view nagGlyph(int nag)
{
    switch (nag) {
    case 1:
        return "!";
    case 2:
        return "?";
    case 3:
        return "!!";
    case 4:
        return "??";
    case 5:
        return "!?";
    case 6:
        return "?!";
    case 10:
    case 11:
    case 12:
        return "=";
    case 13:
        return "oo";
    case 14:
        return "+=";
    case 15:
        return "=+";
    case 16:
        return "+/-";
    case 17:
        return "-/+";
    case 18:
    case 20:
        return "+-";
    case 19:
    case 21:
        return "-+";
    default:
        break;
    }
    if (nag >= 44 && nag <= 47)
        return "=oo";
    if (nag >= 130 && nag <= 135)
        return "<->";
    if (nag >= 136 && nag <= 139)
        return "(+)";
    return {};
}

std::string lineText(const CGameNode& node, int count)
{
    std::string text = node.label();
    const CGameNode* at = &node;
    for (int i = 1; i < count && at->childCount() > 0 && text.size() < kMaxLineTextLength; ++i) {
        at = at->child(0);
        text += ' ';
        if (!at->isBlackMove())
            text += at->numberText();
        text += at->san();
        text += nagGlyph(at->nag());
    }
    if (text.size() > kMaxLineTextLength)
        text.resize(kMaxLineTextLength);
    return text;
}

} // namespace velmorak
