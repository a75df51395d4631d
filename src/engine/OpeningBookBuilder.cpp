#include "engine/OpeningBookBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/AtomicFile.h"
#include "engine/OpeningBook.h"
#include "rules/CoordinateNotation.h"

namespace velmorak {

struct OpeningBookBuilder::Node {
    Move move = NoMove;
    int games = 0;
    // Points of the side that played the move, counted twice so draws stay whole.
    int halfPoints = 0;
    std::vector<std::unique_ptr<Node>> children;

    Node* child(Move wanted)
    {
        for (auto& c : children)
            if (c->move == wanted)
                return c.get();
        children.push_back(std::make_unique<Node>());
        children.back()->move = wanted;
        return children.back().get();
    }
};

OpeningBookBuilder::OpeningBookBuilder(int maxPlies)
    : m_maxPlies(maxPlies)
    , m_root(std::make_unique<Node>())
{
}

OpeningBookBuilder::~OpeningBookBuilder() = default;

void OpeningBookBuilder::addGame(const std::vector<Move>& moves, Result result)
{
    Board board;
    Node* node = m_root.get();
    int ply = 0;
    for (Move move : moves) {
        if (ply >= m_maxPlies || !board.isMoveLegal(move))
            break;
        bool white = board.sideToMove() == kWhiteSide;
        node = node->child(move);
        node->games += 1;
        switch (result) {
        case Result::WhiteWins:
            node->halfPoints += white ? 2 : 0;
            break;
        case Result::BlackWins:
            node->halfPoints += white ? 0 : 2;
            break;
        case Result::Draw:
        case Result::Unknown:
            node->halfPoints += 1;
            break;
        }
        board.makeMove(move);
        ++ply;
    }
    ++m_games;
}

void OpeningBookBuilder::addGame(const std::vector<std::string>& coordinateMoves, Result result)
{
    Board board;
    std::vector<Move> moves;
    for (const std::string& text : coordinateMoves) {
        std::size_t cursor = 0;
        Move move = readCoordinateToken(board, text, cursor);
        if (move == NoMove)
            break;
        moves.push_back(move);
        board.makeMove(move);
    }
    addGame(moves, result);
}

void OpeningBookBuilder::serializeLevel(
    const Node& node, Board& board, int minGames, std::string& out) const
{
    struct Kept {
        const Node* node;
        int weight;
        std::pair<int, int> ordinals;
    };
    int mostGames = 0;
    for (const auto& child : node.children)
        mostGames = std::max(mostGames, child->games);
    std::vector<Kept> kept;
    for (const auto& child : node.children) {
        if (child->games < minGames)
            continue;
        std::optional<std::pair<int, int>> ordinals = encodeBookMove(board, child->move);
        if (!ordinals)
            continue;
        double share = double(child->games) / double(mostGames);
        double form = std::min(1.0, 0.5 + (child->halfPoints / 2.0 + 1.0) / (child->games + 2.0));
        int weight = std::clamp(int(std::lround(31.0 * share * form)), 1, 31);
        kept.push_back({ child.get(), weight, *ordinals });
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) {
        return a.weight != b.weight ? a.weight > b.weight : a.node->games > b.node->games;
    });
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const Node& child = *kept[i].node;
        // A level once announced must hold a record: the children that pass the game count
        // are written below, as every move in the tree is legal and so encodable.
        bool hasChildren = std::any_of(child.children.begin(), child.children.end(),
            [minGames](const auto& grandChild) { return grandChild->games >= minGames; });
        BookRecord record = BookRecord::make(kept[i].weight, hasChildren, i + 1 < kept.size(),
            kept[i].ordinals.first, kept[i].ordinals.second);
        out.push_back(static_cast<char>(record.bits >> 8));
        out.push_back(static_cast<char>(record.bits & 0xFF));
        if (hasChildren) {
            board.makeMove(child.move);
            serializeLevel(child, board, minGames, out);
            board.unmakeMove();
        }
    }
}

std::string OpeningBookBuilder::serialize(int minGames) const
{
    std::string out;
    Board board;
    serializeLevel(*m_root, board, std::max(1, minGames), out);
    return out;
}

Status OpeningBookBuilder::write(const std::string& path, int minGames) const
{
    return writeFileAtomically(path, serialize(minGames));
}

} // namespace velmorak
