#pragma once

#include "app/ServerSession.h"
#include "server/ServerCommandSink.h"

namespace velmorak::gui {

// The session's connection as the place where the chat and variable models send the
// commands of the dialogs (joining a channel, setting a variable). Nothing goes out offline.
class SessionCommandSink final : public ServerCommandSink {
public:
    explicit SessionCommandSink(ServerSession& session)
        : m_session(session)
    {
    }
    void sendLine(std::string_view text) override { m_session.client().sendTextFICS(text); }

private:
    ServerSession& m_session;
};

} // namespace velmorak::gui
