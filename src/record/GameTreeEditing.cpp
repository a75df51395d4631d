#include "GameTreeEditing.h"

namespace velmorak {

namespace {
std::string moveLabel(const CGameNode& at, Move move, std::string_view san)
{
    CGameNode probe(move, std::string(san), at.ply() + 1);
    return probe.label();
}
} // namespace

EnteredMove enterMove(CGame& game, CGameNode* at, Move move, std::string_view san,
    std::int64_t time, VariationMode mode, LinePrompts& prompts)
{
    const bool mainLineMode =
        mode == VariationMode::ReplaceMainLine || mode == VariationMode::AddMainLine;
    for (int i = 0; i < at->childCount(); ++i) {
        CGameNode* child = at->child(i);
        if (child->move() != move)
            continue;
        if (mainLineMode && i != 0) {
            game.setResult("*");
            at->promote(child);
            game.setChanged(true);
        }
        EnteredMove found;
        found.node = child;
        return found;
    }

    NewLineChoice action = NewLineChoice::AddMainLine;
    EnteredMove asked;
    switch (mode) {
    case VariationMode::Ask:
        if (at->childCount() > 0) {
            NewLineQuestion question(game, *at, moveLabel(*at, move, san), mode);
            action = prompts.askNewLine(question);
            asked.linesDeleted = question.linesDeleted();
            if (question.defaultMode() != mode)
                asked.newDefault = question.defaultMode();
        }
        break;
    case VariationMode::ReplaceMainLine:
        action = NewLineChoice::ReplaceMainLine;
        break;
    case VariationMode::AddMainLine:
        action = NewLineChoice::AddMainLine;
        break;
    case VariationMode::AddLine:
        action = NewLineChoice::AddLine;
        break;
    }
    if (action == NewLineChoice::Cancel) {
        asked.node = at;
        asked.cancelled = true;
        return asked;
    }
    if (action == NewLineChoice::ReplaceMainLine && at->childCount() > 0) {
        at->removeChild(at->child(0));
        game.setChanged(true);
        game.setResult("*");
    }
    CGameNode* node = game.attachNode(
        at, std::make_unique<CGameNode>(move, std::string(san), at->ply() + 1, "", 0, time));
    if (action != NewLineChoice::AddLine && at->child(0) != node) {
        game.setResult("*");
        at->promote(node);
        game.setChanged(true);
    }
    asked.node = node;
    asked.created = true;
    return asked;
}

NewLineQuestion::NewLineQuestion(CGame& game, CGameNode& at, std::string label, VariationMode mode)
    : m_game(game)
    , m_at(at)
    , m_label(std::move(label))
    , m_mode(mode)
{
}

std::vector<std::string> NewLineQuestion::lines() const
{
    std::vector<std::string> shown;
    for (int i = 0; i < m_at.childCount(); ++i)
        shown.push_back(lineText(*m_at.child(i), kShownPlies));
    return shown;
}

bool NewLineQuestion::confirmReplace(LinePrompts& prompts) const
{
    if (m_at.childCount() == 0 || m_at.child(0)->countNodes() <= 2)
        return true;
    return prompts.askOkCancel("Replace line", "Are you sure?");
}

NewLineQuestion::Deletion NewLineQuestion::deleteLine(int index, LinePrompts& prompts)
{
    if (index < 0 || index >= m_at.childCount())
        return Deletion::NothingSelected;
    CGameNode* line = m_at.child(index);
    if (!confirmDeleteLine(*line, prompts))
        return Deletion::Kept;
    removeLine(m_game, line);
    m_deleted = true;
    return Deletion::Deleted;
}

std::span<const std::string_view> NewLineQuestion::modeNames()
{
    static constexpr std::string_view kNames[] = { "Ask", "Replace main line", "Add main line",
        "Add line" };
    return kNames;
}

bool confirmDeleteLine(const CGameNode& line, LinePrompts& prompts)
{
    if (!line.parent())
        return false;
    if (line.countNodes() > 2 && !prompts.askOkCancel("Delete line", "Are you sure?"))
        return false;
    return true;
}

CGameNode* removeLine(CGame& game, CGameNode* line)
{
    CGameNode* parent = line->parent();
    if (!parent)
        return nullptr;
    if (parent->child(0) == line)
        game.setResult("*");
    parent->removeChild(line);
    game.setChanged(true);
    return parent;
}

void promoteLine(CGame& game, CGameNode* node)
{
    CGameNode* parent = node->parent();
    if (!parent)
        return;
    if (parent->child(0) != node)
        game.setResult("*");
    parent->promote(node);
    game.setChanged(true);
}

void setNagChoice(CGame& game, CGameNode& node, int choice)
{
    if (choice < 0 || choice > 6)
        return;
    if (choice == 0 && node.nag() > 6)
        return;
    node.setNag(static_cast<std::uint8_t>(choice));
    game.setChanged(true);
}

int fastBackSteps(const CGameNode& node)
{
    int steps = 0;
    for (const CGameNode* at = &node; steps < kFastStepLimit && at->parent();) {
        at = at->parent();
        ++steps;
        if (at->childCount() > 1)
            break;
    }
    return steps;
}

int fastForwardSteps(const CGameNode& node)
{
    int steps = 0;
    for (const CGameNode* at = &node; steps < kFastStepLimit && at->childCount() > 0;) {
        at = at->child(0);
        ++steps;
        if (at->childCount() > 1)
            break;
    }
    return steps;
}

} // namespace velmorak
