#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "rules/Board.h"
#include "rules/Move.h"

namespace velmorak {

// Builds a ".kbk" opening book from games: the tree of their first plies, with a weight per
// move from how often it was played and how it scored for the side that played it.
//
// Weight (0..31) = 31 x share x form, where share is the move's game count over the count of
// its most played sibling, and form = min(1, 0.5 + p) with p the move's score for its side
// (win 1, draw or unknown result 1/2) smoothed as (points + 1) / (games + 2). So the most
// played move of a position weighs 31 unless it scores badly, and every kept move weighs at
// least 1.
class OpeningBookBuilder {
public:
    enum class Result { WhiteWins, Draw, BlackWins, Unknown };

    // Only games from the standard start position can be added: the file format starts
    // there. `maxPlies` limits the depth of the tree.
    explicit OpeningBookBuilder(int maxPlies = 20);
    ~OpeningBookBuilder();

    // Adds the first plies of a game, given as legal moves from the standard position. A move
    // that is not legal ends the game's contribution there.
    void addGame(const std::vector<Move>& moves, Result result);
    // Same, with moves as coordinate text.
    void addGame(const std::vector<std::string>& coordinateMoves, Result result);

    std::size_t gameCount() const { return m_games; }

    // The book bytes; moves played in fewer than `minGames` games are left out (with their
    // subtrees). Siblings are written heaviest first.
    std::string serialize(int minGames = 1) const;
    // Writes the book to a file through a temporary file and a rename; the old file stays
    // as it was on failure.
    Status write(const std::string& path, int minGames = 1) const;

private:
    struct Node;
    void serializeLevel(const Node& node, Board& board, int minGames, std::string& out) const;

    int m_maxPlies;
    std::size_t m_games = 0;
    std::unique_ptr<Node> m_root;
};

} // namespace velmorak
