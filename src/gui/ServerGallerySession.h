#pragma once

#include <QWidget>
#include <memory>

#include "app/ServerSession.h"
#include "platform/PosixSocket.h"

namespace velmorak {
class AppSettings;
}

namespace velmorak::gui {

// A chess-server session for pictures of the server dialogs: never connected, its pages
// filled with server lines as a short evening on a server leaves them (tells, kibitzes,
// a channel, the player list, variables, a finger answer, the log), so that a picture
// shows what a user sees.
class ServerGallerySession {
public:
    ServerGallerySession(GameController& controller, AppSettings& settings);
    ~ServerGallerySession();
    ServerGallerySession(const ServerGallerySession&) = delete;
    ServerGallerySession& operator=(const ServerGallerySession&) = delete;

    // A session whose pages are filled before a dialog opens on them.
    static std::unique_ptr<ServerGallerySession> withPages(
        GameController& controller, AppSettings& settings);

    ServerSession& session() { return *m_session; }
    // Hands `lines` to the session's pages as if the server had sent them.
    void feed(std::initializer_list<std::string_view> lines);
    // The evening's lines; the variables and the finger answer come apart, since opening
    // their dialogs asks afresh.
    void feedPages();
    void feedVariables();
    void feedFinger();

private:
    class Pages;
    class Waits;

    PosixSocket m_socket;
    std::unique_ptr<Waits> m_waits;
    ServerSessionView m_view;
    std::unique_ptr<ServerSession> m_session;
    std::unique_ptr<Pages> m_pages;
};

// A server dialog over a gallery session of its own, which lives as long as the dialog.
template <class Dialog>
class GalleryServerDialog : private std::unique_ptr<ServerGallerySession>, public Dialog {
public:
    GalleryServerDialog(QWidget* parent, GameController& controller, AppSettings& settings)
        : std::unique_ptr<ServerGallerySession>(
              ServerGallerySession::withPages(controller, settings))
        , Dialog(parent, controller, sample().session())
    {
    }

    void settleForPicture() override
    {
        Dialog::settleForPicture();
        sample().feedVariables();
        sample().feedFinger();
        Dialog::refresh();
    }

private:
    ServerGallerySession& sample() { return **this; }
};

} // namespace velmorak::gui
