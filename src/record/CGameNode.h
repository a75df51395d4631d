#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rules/Move.h"

namespace velmorak {

// One half-move of a game tree; the root stands for the starting position and carries
// NoMove and the SAN text "root". Child 0 is the main continuation, the other children are
// variations in list order.
//
// Ownership: a node owns its children; destroying a node destroys its whole subtree
// (iteratively, so a main line of any length never exhausts the stack).
class CGameNode {
public:
    CGameNode(Move move, std::string san, int ply, std::string comment = {}, std::uint8_t nag = 0,
        std::int64_t time = 0);
    ~CGameNode();
    CGameNode(const CGameNode&) = delete;
    CGameNode& operator=(const CGameNode&) = delete;

    // Takes ownership of node, makes this node its parent, sets its depth to depth + 1 and
    // appends it after the existing children. Returns the attached node.
    CGameNode* addChild(std::unique_ptr<CGameNode> node);
    // Removes the child (later children move up by one) and destroys it with its subtree.
    // A node that is not a child is left alone.
    void removeChild(CGameNode* node);
    // Moves the child to index 0; the children before it move down by one in their order,
    // the ones after it keep their places. A node that is not a child changes nothing.
    void promote(CGameNode* node);

    CGameNode* child(int index) const
    {
        return index >= 0 && index < childCount() ? m_children[std::size_t(index)].get() : nullptr;
    }
    int childCount() const { return static_cast<int>(m_children.size()); }
    // Index of a child in the list, or -1.
    int indexOfChild(const CGameNode* node) const;
    CGameNode* parent() const { return m_parent; }

    Move move() const { return m_move; }
    const std::string& san() const { return m_san; }
    int ply() const { return m_ply; }
    const std::string& comment() const { return m_comment; }
    std::uint8_t nag() const { return m_nag; }
    std::int64_t time() const { return m_time; }
    int depth() const { return m_depth; }
    int textStart() const { return m_textStart; }
    int textEnd() const { return m_textEnd; }

    void setNag(std::uint8_t nag) { m_nag = nag; }
    // Stores the comment as given (the PGN reader's way).
    void setComment(std::string comment) { m_comment = std::move(comment); }
    // The comment dialog's way: every '}' becomes ')' so the text can never end a PGN
    // comment early.
    void storeEditedComment(std::string_view text);
    void setTime(std::int64_t time) { m_time = time; }
    void setPly(int ply) { m_ply = ply; }
    void setTextSpan(int start, int end)
    {
        m_textStart = start;
        m_textEnd = end;
    }

    // 1 + the nodes of every subtree below.
    int countNodes() const;
    // Follows child 0 until a node without children.
    CGameNode* endOfMainLine();
    const CGameNode* endOfMainLine() const { return const_cast<CGameNode*>(this)->endOfMainLine(); }
    // Whether the node lies in the subtree of `ancestor` (the node itself included).
    bool isInSubtreeOf(const CGameNode* ancestor) const;

    // A move is Black's when the piece it leaves on the board is black; a null move, which
    // moves no piece, is Black's at an odd ply.
    bool isBlackMove() const
    {
        return m_move == NullMove ? (m_ply & 1) != 0 : m_move.piece > 5 && m_move.piece < 14;
    }
    // (ply + 2) / 2: the move number printed before the move.
    int moveNumber() const { return (m_ply + 2) / 2; }
    // "12." for a White move, "12.." for a Black one (two periods).
    std::string numberText() const;
    // Number, SAN and NAG glyph: "12.Nf3", "12..Nf6!".
    std::string label() const;

private:
    Move m_move;
    std::string m_san;
    int m_ply;
    std::string m_comment;
    std::uint8_t m_nag;
    std::int64_t m_time;
    CGameNode* m_parent = nullptr;
    int m_depth = 0;
    std::vector<std::unique_ptr<CGameNode>> m_children;
    int m_textStart = 0;
    int m_textEnd = 0;
};

// The text shown for a NAG: "!" for 1, "+-" for 18, ...; empty for NAGs without a glyph.
std::string_view nagGlyph(int nag);

// The label of node, then up to count - 1 further half-moves along child 0, each after a
// space; White moves carry their number, Black moves none: "12..Nf6 13.e4 e5 14.Nc3".
// Cut to kMaxLineTextLength characters.
inline constexpr std::size_t kMaxLineTextLength = 511;
std::string lineText(const CGameNode& node, int count);

} // namespace velmorak
