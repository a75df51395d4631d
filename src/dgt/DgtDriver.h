#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Clock.h"
#include "dgt/DgtBoardRecognizer.h"
#include "dgt/DgtClockText.h"
#include "dgt/DgtEvent.h"
#include "dgt/DgtMessageParser.h"
#include "dgt/DgtReceiveRing.h"
#include "dgt/SerialPort.h"

namespace velmorak {

// A message the driver has for the user, beside the board's events.
struct DgtNotice {
    enum class Kind {
        // A ComInit error text ("ERROR (ComInit: COMINITERROR)" ...), with the system's reason
        // on a second line; raised as event 22 too.
        PortError,
        // The board went away (unplugged, switched off): the port is closed and tried again
        // every kReconnectMs.
        Unplugged,
        // The board came back on its port and answers again.
        Reconnected,
        // More came in than the driver could read: what was waiting is dropped and a full
        // board dump is asked for. Logged, once per overflow.
        Overflow,
    };
    Kind kind = Kind::PortError;
    std::string text;
};

// The driver of a DGT electronic board and the clock attached to it, on a serial line: the
// probe, the start-up requests, the receive ring and message parser, the values the board
// reports, and the gestures made with its pieces, handed out as events.
//
// Interface thread only. The caller polls (kPollPeriodMs, and the set-up editor on its own
// timer) and takes the events and notices after each poll; nothing is called back from
// inside the driver.
class DgtDriver {
public:
    static constexpr int kPollPeriodMs = 150;
    static constexpr int kReconnectMs = 2000;
    static constexpr std::string_view kNotConnectedText = "DGT-Board not properly connected";

    DgtDriver(SerialPort& port, Clock& clock);

    // Opens `path`, asks the board's version, waits 100 ms, reads what came and closes the
    // line again. True when a version message is found in what was read (a board left
    // sending updates answers after them).
    bool probePort(std::string_view path);
    // Why the last probe could not open its line (no permission, in use, no device);
    // nothing when it could.
    const std::optional<Error>& probeOpenError() const { return m_probeOpenError; }
    // Opens `path` for good and starts the driver in the start-up state `mode` selects.
    // Returns 0, or the failed step's code (1..4) with its text as a PortError notice and
    // event 22; a second call while open raises "ERROR (ComInit: PortIsOpen)" and returns 0.
    int comInit(std::string_view path, int mode);
    // probePort, then comInit with mode 8. Fails with kNotConnectedText, followed by the
    // line's reason when it could not be opened, or after a good probe by the ComInit text;
    // the port closed.
    Status connectBoard(std::string_view path);
    void disconnectBoard();
    // The line is open, or the board was unplugged and is being looked for again.
    bool isConnected() const;
    bool isOpen() const;

    // One step: reads what the line has, parses it (at most one board change per poll), runs
    // the start-up requests, and, while the board is unplugged, tries its port again.
    void pollBoard();
    // The events and notices raised since the last take, oldest first.
    std::vector<DgtEvent> takeEvents();
    std::vector<DgtNotice> takeNotices();

    // The board as last reported, in normal orientation; meaningful once boardValid().
    bool boardValid() const;
    const DgtBoardImage& board() const;
    bool rotated() const;
    // "Turn board": the board stands the other way round; the kept image is turned with it.
    void turnBoard();

    // Each side's clock text ("H:MM:SS"), empty until the clock has spoken; "-:--:--" when
    // the board reports no clock attached.
    const std::string& whiteClockText() const;
    const std::string& blackClockText() const;
    bool clockAttached() const;
    // Asks the clock for its times (after a new game, so the screen shows them again).
    void requestClock();

    // What the board told about itself.
    int versionMajor() const;
    int versionMinor() const;
    const std::string& serialNumber() const;
    const std::string& trademark() const;
    int busAddress() const;

private:
    // What one step of the parser came to.
    enum class ParseOutcome { Idle, BoardChanged, Other, Silence, HalfRead };

    int openLine(std::string_view path, int mode, bool report);
    void resetKeptValues();
    // Moves what the line has into the ring; false when the line went away meanwhile.
    bool moveWaitingBytes();
    void recoverFromOverflow();
    ParseOutcome parseNext();
    void takeBoardChange();
    void takeClockChange();
    void runStartup();
    bool sendDgtCommand(std::uint8_t command);
    void lineLost();
    void tryReconnect();
    void raise(DgtEventCode code);
    void notify(DgtNotice::Kind kind, std::string text);
    bool silentFor(std::int64_t ms) const;

    SerialPort& m_port;
    Clock& m_clock;
    DgtReceiveRing m_ring;
    DgtMessageParser m_parser;
    DgtBoardRecognizer m_recognizer;
    DgtClockText m_clockText;
    std::vector<DgtEvent> m_events;
    std::vector<DgtNotice> m_notices;

    std::string m_path;
    // The version the last good probe read: the start-up requests do not ask for it again.
    // Why the last probe could not open its line (no permission, in use, no device).
    std::optional<Error> m_probeOpenError;
    int m_probedMajor = -1;
    int m_probedMinor = -1;
    bool m_open = false;
    bool m_unplugged = false;
    std::int64_t m_lastReconnectTick = 0;

    // 0 pings the board, 1 resets it first, 8 and 9 wait to identify it, 13 identifies it
    // and asks for clock and board, 12 asks for clock and board only, 10 and 11 run on the
    // board's updates.
    int m_startupState = 0;
    bool m_startedInStateZero = false;
    int m_pollCounter = 0;
    std::int64_t m_lastStartupTick = 0;
    std::int64_t m_lastByteTick = 0;
    bool m_silenceReported = false;
    bool m_boardChangePending = false;
    std::int64_t m_boardChangeTick = 0;
};

} // namespace velmorak
