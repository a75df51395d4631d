#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "CGame.h"

namespace velmorak {

// What a move that leaves the main line does (the option "New variation").
enum class VariationMode {
    Ask = 0,
    ReplaceMainLine = 1,
    AddMainLine = 2,
    AddLine = 3,
};

// The answer of the New line dialog.
enum class NewLineChoice {
    AddMainLine,
    ReplaceMainLine,
    AddLine,
    Cancel,
};

class LinePrompts;

// The New line dialog ("Add line") as data and rules: a move numbered `label` is entered at
// `at`, which has lines already. The dialog may delete lines and change the default for
// later moves ("Change default to"); enterMove reports both.
class NewLineQuestion {
public:
    static constexpr std::string_view kDeleteTitle = "Delete line";
    static constexpr std::string_view kSelectFirst = "Select a line first!";
    // Half-moves shown of each line.
    static constexpr int kShownPlies = 6;

    NewLineQuestion(CGame& game, CGameNode& at, std::string label, VariationMode mode);

    const CGameNode& at() const { return m_at; }
    const std::string& label() const { return m_label; }
    std::vector<std::string> lines() const;
    // "Replace main line" loses a main line of more than two nodes: "Are you sure?" (title
    // "Replace line") first; false when the user cancels.
    bool confirmReplace(LinePrompts& prompts) const;

    enum class Deletion { Deleted, NothingSelected, Kept };
    // "Delete selected": line `index` (−1: none selected, which is refused with
    // kSelectFirst) after confirmDeleteLine; Kept when the user cancels.
    Deletion deleteLine(int index, LinePrompts& prompts);
    bool linesDeleted() const { return m_deleted; }

    // "Change default to": "Ask", "Replace main line", "Add main line", "Add line".
    static std::span<const std::string_view> modeNames();
    VariationMode defaultMode() const { return m_mode; }
    void setDefaultMode(VariationMode mode) { m_mode = mode; }

private:
    CGame& m_game;
    CGameNode& m_at;
    std::string m_label;
    VariationMode m_mode;
    bool m_deleted = false;
};

// The questions the tree rules ask; the desktop program answers them with its dialogs,
// tests with scripted answers.
class LinePrompts {
public:
    virtual ~LinePrompts() = default;
    // The New line dialog: the move of `question.label()` would become a new line at
    // `question.at()`.
    virtual NewLineChoice askNewLine(NewLineQuestion& question) = 0;
    // An OK/Cancel question with a question icon; true for OK.
    virtual bool askOkCancel(std::string_view title, std::string_view text) = 0;
};

struct EnteredMove {
    // The node that is current afterwards: the existing or new child, or the old current
    // node when the entry was cancelled.
    CGameNode* node = nullptr;
    bool created = false;
    bool cancelled = false;
    // The New line dialog deleted lines of `at`, or changed the default (its value then).
    bool linesDeleted = false;
    std::optional<VariationMode> newDefault;
};

// Applies the tree rules of entering `move` (whose SAN in the current position is `san`)
// at node `at`: reuses a child with the same move (promoting it in the two main-line modes),
// otherwise asks or follows `mode`, replaces or adds the main line or adds a variation,
// sets Result to "*" whenever the main line changes, and marks the game changed. Making the
// move on the board is the caller's business (and is skipped when cancelled).
EnteredMove enterMove(CGame& game, CGameNode* at, Move move, std::string_view san,
    std::int64_t time, VariationMode mode, LinePrompts& prompts);

// Asks "Are you sure?" (title "Delete line") when the line holds more than two nodes;
// false when the user cancels. The root is never deleted: false for it.
bool confirmDeleteLine(const CGameNode& line, LinePrompts& prompts);
// Removes `line` from its parent (Result "*" when it was the main continuation) and marks
// the game changed. The caller first moves its current node out of the line (to the line's
// parent). Returns the parent, or null for the root (nothing is removed then).
CGameNode* removeLine(CGame& game, CGameNode* line);

// Makes `node` the main continuation of its parent (Result "*" when it was not) and marks
// the game changed.
void promoteLine(CGame& game, CGameNode* node);

// The comment dialog's NAG choice 0 to 6 ("None", "!", "?", "!!", "??", "!?", "?!"):
// "None" keeps a NAG above 6, every other choice is stored and marks the game changed.
void setNagChoice(CGame& game, CGameNode& node, int choice);

// Fast back and fast forward: how many half-moves to go from `node`, at most
// kFastStepLimit. Back stops at the root or, after the first step, at a node with more than
// one child; forward follows child 0 and stops at a node without children or, after the
// first step, at a node with more than one child.
inline constexpr int kFastStepLimit = 20;
int fastBackSteps(const CGameNode& node);
int fastForwardSteps(const CGameNode& node);

} // namespace velmorak
