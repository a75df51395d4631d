#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CGameNode.h"

namespace velmorak {

// What the PGN renderer writes and how wide its movetext lines are.
struct PgnFormat {
    int lineWidth = 40;
    bool writeTags = true;
    bool writeVariations = true;
    bool writeComments = true;
    bool writeNagNumbers = true;
    bool writeNagGlyphs = false;

    friend bool operator==(const PgnFormat&, const PgnFormat&) = default;
};

// The layout of database files and the autosave: width 75, everything on, NAGs as numbers.
inline constexpr PgnFormat kFilePgnFormat { 75, true, true, true, true, false };

struct TagPair {
    std::string name;
    std::string value;
    friend bool operator==(const TagPair&, const TagPair&) = default;
};
using TagList = std::vector<TagPair>;

// The seven-tag roster in its fixed order.
inline constexpr std::string_view kRosterTags[] = { "Event", "Site", "Date", "Round", "White",
    "Black", "Result" };

// Called once per node by CGame::traverse.
class CGameNodeVisitor {
public:
    virtual ~CGameNodeVisitor() = default;
    virtual void visit(CGameNode& node) = 0;
};

// Puts each node's time in front of its comment as "<time>,"; every node gets it.
class EncodeMoveTimes : public CGameNodeVisitor {
public:
    void visit(CGameNode& node) override;
};

// Takes a leading "<digits>," off a comment and makes the digits the node's time. Applied
// to every node of a game only once the game is known to carry stamps (decodeMoveTimes).
class DecodeMoveTimes : public CGameNodeVisitor {
public:
    void visit(CGameNode& node) override;
};

// A game record: the move tree with its root, the ordered tag list, the PGN output format
// and the changed flag. The class actually instantiated is CPgnGame, which renders PGN.
//
// Construction inserts the seven roster tags (Result "*", the others empty) and so leaves
// the game marked as changed. The game owns its root; a new game has a lone root for the
// standard start (NoMove, "root", ply -1), which the PGN reader replaces.
class CGame {
public:
    CGame();
    virtual ~CGame();
    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    // --- Tree ---------------------------------------------------------------------------
    CGameNode* root() const { return m_root.get(); }
    // Destroys the previous tree and takes node as the root.
    void setRoot(std::unique_ptr<CGameNode> node);
    // Move entry and the server client call this after attaching node below parent: with a
    // parent it marks the game changed; without one it makes node the root instead.
    void nodeAttached(CGameNode* parent, std::unique_ptr<CGameNode> newRoot = nullptr);
    // addChild followed by nodeAttached, the usual way to add a move to a shown game.
    CGameNode* attachNode(CGameNode* parent, std::unique_ptr<CGameNode> node);

    bool changed() const { return m_changed; }
    void setChanged(bool changed) { m_changed = changed; }

    // Pre-order, root first, children in list order; iterative.
    void traverse(CGameNodeVisitor& visitor);
    void encodeMoveTimes();
    // Restores the times that encodeMoveTimes put into the comments, and only those: when
    // some move of the game has no "<digits>," stamp, or the root's comment is a person's
    // text, the game was not encoded and nothing changes (false). A person's "2,5 pawns up"
    // in a game from a database is never taken for a time. Games written before the
    // comment before the first move was kept carry no root stamp; they are decoded when
    // at least two moves carry stamps.
    bool decodeMoveTimes();
    void resetTextSpans();
    // The first node below the root (pre-order) whose text span contains offset; null when
    // none does.
    CGameNode* findNodeAtTextOffset(int offset) const;

    // --- Format -------------------------------------------------------------------------
    virtual void setFormat(const PgnFormat& format) { m_format = format; }
    virtual const PgnFormat& getFormat() const { return m_format; }

    // --- Tags ---------------------------------------------------------------------------
    // The value, or an empty string when the tag is absent. Lookups and setTag cost O(1)
    // on average whatever the number of tags.
    const std::string& getTag(std::string_view name) const;
    bool hasTag(std::string_view name) const;
    // Appends an absent tag, or replaces the value of a present one; the changed flag is
    // set only when the list actually changes.
    void setTag(std::string_view name, std::string_view value);
    // Removes the tag when present; the others keep their order.
    void removeTag(std::string_view name);
    TagList allTags() const { return m_tags; }
    const TagList& tags() const { return m_tags; }
    TagList tagsExcept(std::initializer_list<std::string_view> names) const;
    TagList tagsExcept(const std::vector<std::string>& names) const;

    const std::string& event() const { return getTag("Event"); }
    const std::string& site() const { return getTag("Site"); }
    const std::string& date() const { return getTag("Date"); }
    const std::string& white() const { return getTag("White"); }
    const std::string& black() const { return getTag("Black"); }
    const std::string& result() const { return getTag("Result"); }
    const std::string& eco() const { return getTag("ECO"); }
    void setEvent(std::string_view value) { setTag("Event", value); }
    void setSite(std::string_view value) { setTag("Site", value); }
    void setDate(std::string_view value) { setTag("Date", value); }
    void setRound(std::string_view value) { setTag("Round", value); }
    void setWhite(std::string_view value) { setTag("White", value); }
    void setBlack(std::string_view value) { setTag("Black", value); }
    void setResult(std::string_view value) { setTag("Result", value); }
    void setEco(std::string_view value) { setTag("ECO", value); }

    // --- Rendering (CPgnGame) -------------------------------------------------------------
    virtual std::string toString() { return {}; }

protected:
    PgnFormat m_format;

private:
    // Position of the tag in m_tags, or npos.
    std::size_t findTag(std::string_view name) const;

    struct TagNameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const
        {
            return std::hash<std::string_view> {}(name);
        }
    };

    std::unique_ptr<CGameNode> m_root;
    bool m_changed = false;
    TagList m_tags;
    // Name to position in m_tags, kept once the list outgrows a short linear search, so
    // that a header of any length is read in linear time.
    std::unordered_map<std::string, std::size_t, TagNameHash, std::equal_to<>> m_tagIndex;
};

} // namespace velmorak
