#include "present/FingerAtOpening.h"

#include "app/GameController.h"
#include "app/ServerSession.h"

namespace velmorak {

bool fingerAtOpening(ServerSession& session, GameController& controller)
{
    const ControllerState& state = controller.state();
    session.finger().clear();
    if (!state.serverGameMode && !state.observeMode)
        return session.requestFinger("");
    const std::string white = controller.game().white();
    const std::string black = controller.game().black();
    const bool answered = session.requestFinger(white);
    session.finger().addSeparator();
    return session.requestFinger(black) && answered;
}

} // namespace velmorak
