#pragma once

#include <cstdint>
#include <string_view>

namespace velmorak {

class CGameNode;

// What the controller sends to the chess server and writes to its log page, in a server
// game or while observing. Production: the server client; tests: a recorder.
class ServerLink {
public:
    virtual ~ServerLink() = default;
    // The user's move, just entered as `node`, in a server game.
    virtual void sendMove(const CGameNode& node) = 0;
    // A take-back request, of 2 plies when it is the user's turn, else of 1 (the server
    // client knows whose turn it is).
    virtual void requestTakeback() = 0;
    // Observation ends.
    virtual void sendUnobserve() = 0;
    virtual void log(std::string_view text) = 0;
    // Whether `sideToMove` (kWhiteSide, kBlackSide) is the user's side in the server game: a
    // move from another source than the screen (the electronic board) is sent only then.
    virtual bool isUsersSide(std::uint8_t sideToMove) const
    {
        (void)sideToMove;
        return true;
    }
};

} // namespace velmorak
