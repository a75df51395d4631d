#pragma once

namespace velmorak {

class GameController;
class ServerSession;

// What the finger window asks the server when it opens: about the user himself, or, while
// a server game is played or observed, about White and then Black, their answers parted by
// a rule. Waits for each answer; false when a request went unanswered or was refused.
bool fingerAtOpening(ServerSession& session, GameController& controller);

} // namespace velmorak
