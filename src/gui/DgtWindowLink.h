#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DgtBoardLink.h"

namespace velmorak {
class GameController;
class SerialPort;
class UiThread;
} // namespace velmorak

namespace velmorak::gui {

// The window's DGT board: the serial port, the driver and the board link, made when a port
// is chosen and gone when none is. What the link reports goes to the window through hooks.
class DgtWindowLink final : private DgtLinkView {
public:
    struct Hooks {
        // Both kings were lifted: the "Setup board" command, run once the poll has ended.
        std::function<void()> setupRequested;
        // The squares where the board and the game differ (empty once they agree).
        std::function<void(const std::vector<Square>&)> disagreement;
        // A short text for the status line: connected, unplugged, back again.
        std::function<void(const std::string&)> notice;
        // Connected or not: the commands that need the board follow.
        std::function<void()> stateChanged;
    };

    DgtWindowLink(GameController& controller, Clock& clock, UiThread& ui, Hooks hooks);
    ~DgtWindowLink() override;
    DgtWindowLink(const DgtWindowLink&) = delete;
    DgtWindowLink& operator=(const DgtWindowLink&) = delete;

    // Connects the board on `path`, after closing any other; false (the message shown) when
    // no board answers there. Not while a dialog that polls the board is open.
    bool connect(const std::string& path);
    void disconnect();
    // The path of the connected board.
    const std::optional<std::string>& path() const { return m_path; }
    // The link while a board is connected; null otherwise.
    DgtBoardLink* link();

private:
    // DgtLinkView.
    void boardMoveEntered(const CGameNode& node) override;
    void boardDisagrees(const std::vector<Square>& squares) override;
    void clockTextsChanged(const DgtClockTexts& texts) override;
    void setupRequested() override;
    void dgtLog(std::string_view text) override;
    void connectionChanged(bool connected, std::string_view why) override;

    // One board's line, driver and link, made and dropped together.
    struct Connection {
        std::unique_ptr<SerialPort> port;
        std::unique_ptr<DgtDriver> driver;
        std::unique_ptr<DgtBoardLink> link;
    };
    // Drops the connections no poll is running in any more.
    void dropRetired();

    GameController& m_controller;
    Clock& m_clock;
    UiThread& m_ui;
    Hooks m_hooks;
    std::unique_ptr<Connection> m_current;
    // Disconnected, and kept while something may still reach them: a poll of theirs further
    // up the stack (a box it showed let the window close), the set-up dialog's timer. Dropped
    // at the next connect, when no poll of theirs runs, or with the window.
    std::vector<std::unique_ptr<Connection>> m_retired;
    std::optional<std::string> m_path;
    std::shared_ptr<DgtWindowLink*> m_alive;
};

} // namespace velmorak::gui
