#include "CGame.h"

#include <algorithm>
#include <cstdio>

namespace velmorak {

namespace {
const std::string kEmptyText;
// Up to this many tags (a usual header has seven to fifteen) a linear search is the
// cheapest; beyond it the game keeps an index.
constexpr std::size_t kLinearTagSearch = 32;

template <typename Names> TagList filterTags(const TagList& tags, const Names& names)
{
    TagList kept;
    for (const TagPair& tag : tags) {
        bool excluded = std::any_of(
            std::begin(names), std::end(names), [&](const auto& name) { return tag.name == name; });
        if (!excluded)
            kept.push_back(tag);
    }
    return kept;
}
} // namespace

void EncodeMoveTimes::visit(CGameNode& node)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%d,", static_cast<std::int32_t>(node.time()));
    node.setComment(prefix + node.comment());
}

namespace {
// Length of the "<digits>," stamp that starts the comment, or 0 when it has none.
std::size_t stampLength(const std::string& comment)
{
    std::size_t digits = 0;
    while (digits < comment.size() && comment[digits] >= '0' && comment[digits] <= '9')
        ++digits;
    return digits > 0 && digits < comment.size() && comment[digits] == ',' ? digits + 1 : 0;
}

// Whether the comments carry the stamps of EncodeMoveTimes rather than a person's words.
// The encoder stamps every node, the root included, so a game with one node without a
// stamp was not written by it. The root's stamp reaches the file since the writer keeps
// the comment before the first move; files written before that have no root comment, and
// there a lone move whose comment happens to start with a number and a comma could as well
// be a person's "2,5 pawns up": such files count only with two or more stamped moves.
bool carriesMoveTimes(const CGameNode& root)
{
    const bool rootStamped = stampLength(root.comment()) > 0;
    if (!rootStamped && !root.comment().empty())
        return false;
    std::size_t moves = 0;
    std::vector<const CGameNode*> pending { &root };
    while (!pending.empty()) {
        const CGameNode* node = pending.back();
        pending.pop_back();
        for (int i = 0; i < node->childCount(); ++i) {
            const CGameNode* child = node->child(i);
            if (stampLength(child->comment()) == 0)
                return false;
            ++moves;
            pending.push_back(child);
        }
    }
    return rootStamped || moves >= 2;
}
} // namespace

void DecodeMoveTimes::visit(CGameNode& node)
{
    const std::string& comment = node.comment();
    const std::size_t length = stampLength(comment);
    if (length == 0)
        return;
    // The encoder writes 32-bit values; longer digit runs saturate instead of overflowing.
    std::int64_t time = 0;
    for (std::size_t i = 0; i + 1 < length; ++i)
        time = std::min<std::int64_t>(time * 10 + (comment[i] - '0'), INT64_MAX / 10);
    node.setTime(time);
    node.setComment(comment.substr(length));
}

CGame::CGame()
    : m_root(std::make_unique<CGameNode>(NoMove, "root", -1))
{
    for (std::string_view name : kRosterTags)
        setTag(name, name == "Result" ? "*" : "");
}

CGame::~CGame() = default;

void CGame::setRoot(std::unique_ptr<CGameNode> node)
{
    m_root = std::move(node);
}

void CGame::nodeAttached(CGameNode* parent, std::unique_ptr<CGameNode> newRoot)
{
    if (!parent) {
        setRoot(std::move(newRoot));
        return;
    }
    m_changed = true;
}

CGameNode* CGame::attachNode(CGameNode* parent, std::unique_ptr<CGameNode> node)
{
    if (!parent) {
        CGameNode* raw = node.get();
        setRoot(std::move(node));
        return raw;
    }
    CGameNode* attached = parent->addChild(std::move(node));
    nodeAttached(parent);
    return attached;
}

void CGame::traverse(CGameNodeVisitor& visitor)
{
    if (!m_root)
        return;
    std::vector<CGameNode*> pending { m_root.get() };
    while (!pending.empty()) {
        CGameNode* node = pending.back();
        pending.pop_back();
        visitor.visit(*node);
        for (int i = node->childCount() - 1; i >= 0; --i)
            pending.push_back(node->child(i));
    }
}

void CGame::encodeMoveTimes()
{
    EncodeMoveTimes visitor;
    traverse(visitor);
}

bool CGame::decodeMoveTimes()
{
    if (!m_root || !carriesMoveTimes(*m_root))
        return false;
    DecodeMoveTimes visitor;
    traverse(visitor);
    return true;
}

void CGame::resetTextSpans()
{
    struct Reset : CGameNodeVisitor {
        void visit(CGameNode& node) override { node.setTextSpan(0, 0); }
    } visitor;
    traverse(visitor);
}

CGameNode* CGame::findNodeAtTextOffset(int offset) const
{
    if (!m_root)
        return nullptr;
    std::vector<CGameNode*> pending;
    for (int i = m_root->childCount() - 1; i >= 0; --i)
        pending.push_back(m_root->child(i));
    while (!pending.empty()) {
        CGameNode* node = pending.back();
        pending.pop_back();
        // The span ends two characters past the move's last character (it counts the
        // separator before the move), so a tap on the "(" after a move is no tap on it.
        if (node->textEnd() != 0 && node->textStart() <= offset && offset <= node->textEnd() - 2)
            return node;
        for (int i = node->childCount() - 1; i >= 0; --i)
            pending.push_back(node->child(i));
    }
    return nullptr;
}

std::size_t CGame::findTag(std::string_view name) const
{
    if (!m_tagIndex.empty()) {
        auto found = m_tagIndex.find(name);
        return found == m_tagIndex.end() ? std::string_view::npos : found->second;
    }
    for (std::size_t i = 0; i < m_tags.size(); ++i)
        if (m_tags[i].name == name)
            return i;
    return std::string_view::npos;
}

const std::string& CGame::getTag(std::string_view name) const
{
    std::size_t at = findTag(name);
    return at == std::string_view::npos ? kEmptyText : m_tags[at].value;
}

bool CGame::hasTag(std::string_view name) const
{
    return findTag(name) != std::string_view::npos;
}

void CGame::setTag(std::string_view name, std::string_view value)
{
    std::size_t at = findTag(name);
    if (at != std::string_view::npos) {
        if (m_tags[at].value != value) {
            m_tags[at].value.assign(value);
            m_changed = true;
        }
        return;
    }
    m_tags.push_back({ std::string(name), std::string(value) });
    m_changed = true;
    if (!m_tagIndex.empty()) {
        m_tagIndex.emplace(name, m_tags.size() - 1);
    } else if (m_tags.size() > kLinearTagSearch) {
        m_tagIndex.reserve(m_tags.size() * 2);
        for (std::size_t i = 0; i < m_tags.size(); ++i)
            m_tagIndex.emplace(m_tags[i].name, i);
    }
}

void CGame::removeTag(std::string_view name)
{
    std::size_t at = findTag(name);
    if (at == std::string_view::npos)
        return;
    m_tags.erase(m_tags.begin() + std::ptrdiff_t(at));
    m_changed = true;
    // Every later tag moved one place down.
    if (!m_tagIndex.empty()) {
        m_tagIndex.clear();
        for (std::size_t i = 0; i < m_tags.size(); ++i)
            m_tagIndex.emplace(m_tags[i].name, i);
    }
}

TagList CGame::tagsExcept(std::initializer_list<std::string_view> names) const
{
    return filterTags(m_tags, names);
}

TagList CGame::tagsExcept(const std::vector<std::string>& names) const
{
    return filterTags(m_tags, names);
}

} // namespace velmorak
