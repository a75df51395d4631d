#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SearchInfo.h"
#include "rules/Move.h"

namespace velmorak {

class CGameNode;
class GameController;

// The tags the panel shows; copies, so the input stays valid while the game changes.
struct StatusTags {
    std::string white, black, result, date, event, whiteElo, blackElo;
};

// Everything the status panel is computed from. The controller's part is filled by
// statusInput(controller); the front end adds what only it knows: the width of the
// panel, whether its analysis list exists, and the server client's status.
struct StatusInput {
    StatusTags tags;
    // Null or the root: no move yet. Must stay valid while the input is used.
    const CGameNode* currentNode = nullptr;
    bool whiteToMove = true;
    bool engineBusy = false;
    bool ponderActive = false;
    bool ponderResultReady = false;
    bool analysisMode = false;
    bool showLevelLine = true;
    bool trainingMode = false;
    // The move the engine expects the user to play, and its SAN in the current position.
    Move ponderMove = NoMove;
    std::string ponderSan;
    std::string levelLine;
    // While a hint or threat search runs, what line 1 says ("Searching for hint move...").
    std::string helpSearchText;
    // "Show mainline" and "Score always for white".
    bool showMainline = true;
    bool scoreAlwaysForWhite = false;
    int layout = 0;
    bool hasAnalysisList = false;
    // How many characters of the engine line fit the panel.
    std::size_t lineWidth = SearchInfo::kMaxLineLength;
    bool serverConnected = false;
    // The server client's marker flag and its status text.
    bool serverMarker = false;
    std::string serverStatus;
    // A server game is played or observed.
    bool serverPlayOrObserve = false;
    SearchInfo info;
    int nodesPerSecond = 0;
    // Changes when the position jumped (another game, a take-back, a step through the game):
    // the analysis list's lines then belong to positions no longer shown.
    std::uint64_t lineSerial = 0;
};

// The two text lines of the panel.
struct StatusLines {
    std::string first, second;
    friend bool operator==(const StatusLines&, const StatusLines&) = default;
};

// The status panel's input as far as the controller knows it.
StatusInput statusInput(const GameController& controller);

// One of the two clocks of the panel.
struct ClockFace {
    // "MM:SS" ("HH MM" from an hour on, the colon blinking).
    std::string time;
    // Whose clock it is.
    bool white = true;
    // Its side is to move: the clock that runs, or would run.
    bool toMove = false;
    friend bool operator==(const ClockFace&, const ClockFace&) = default;
};
// The clocks in the order the panel shows them, left to right.
using ClockFaces = std::array<ClockFace, 2>;
ClockFaces clockFaces(const GameController& controller, bool flipped, int layout);

// The landscape layouts put the panel beside the board and shorten some texts.
bool isLandscapeLayout(int layout);

// The two lines for the state described by `input`. Cannot fail; every text is cut to its
// limit.
StatusLines statusLines(const StatusInput& input);

// The players line a panel below the board adds under `lines` when their second line shows
// something else (the engine's line, a comment, a server's text); empty when the players
// are shown already or unknown, and in the landscape layouts, whose names stand above their
// move list.
std::string playersBelow(const StatusInput& input, const StatusLines& lines);

// The single texts of the panel.
std::string moveLine(const StatusInput& input);
std::string trainingLine(const StatusInput& input);
// Players, result and, in layouts 1 and 8 without the analysis list, a second line with
// date and event; " " while a player's name is unknown.
std::string playersLine(const StatusInput& input);
std::string searchLine(const StatusInput& input);
std::string ponderLine(const StatusInput& input);
// The engine's last line with its depth and score, cut to `input.lineWidth` characters.
std::string engineLine(const StatusInput& input);
// At most `maxLength` characters; empty during training.
std::string headerLine(const StatusInput& input, std::size_t maxLength);
inline constexpr std::size_t kHeaderLineLength = 400;

// At most `maxCharacters` characters of UTF-8 text, never cut inside a character.
std::string cutCharacters(std::string_view text, std::size_t maxCharacters);

// The list of the engine's lines beside the panel, newest first. Remembers the depth and line
// last added, so a report that repeats them adds nothing, and the last two strings, to refill
// a list box that was recreated.
class AnalysisList {
public:
    static constexpr std::size_t kMaxLineLength = 199;
    // Oldest entries are dropped beyond this, so a long analysis cannot grow without end.
    static constexpr std::size_t kMaxEntries = 1000;

    // Adds the engine's line and its data line "  (score) Depth d Time mm:ss" ("  Book" for
    // the opening book's move) at the top when "Show mainline" or analysis mode is on and the
    // depth or the line differs from the last one added; `now` gives the search time. A new
    // `input.lineSerial` empties the list first. True when the entries changed.
    bool addAnalysisLine(const StatusInput& input, std::int64_t now);
    // Newest first: each line is followed by its data line.
    const std::deque<std::string>& entries() const { return m_entries; }
    // The line and the data line added last; empty before the first.
    const std::array<std::string, 2>& lastAdded() const { return m_lastAdded; }
    // Empties the list; the memory of the last line goes too.
    void clear();

    // The list's horizontal extent in pixels for a screen `screenWidth` pixels wide.
    static int horizontalExtent(int screenWidth) { return screenWidth <= 320 ? 1000 : 2000; }

private:
    std::deque<std::string> m_entries;
    std::array<std::string, 2> m_lastAdded;
    std::optional<int> m_lastDepth;
    std::string m_lastLine;
    std::uint64_t m_lineSerial = 0;
};

// The move list of the landscape layouts: rows of one full move each (six unless the panel
// has room for more), taken from the line through the current move (the moves that led to
// it, then the main continuation). The current move stands on the third row, or higher when
// the line has fewer moves before it, or lower when it ends within the rows; the current
// move is marked.
class LandscapeMoveList {
public:
    static constexpr int kRows = 6;
    // Columns of a row: the move number, White's move, Black's move.
    enum Column { NumberColumn = 0, WhiteColumn = 1, BlackColumn = 2 };

    struct Cell {
        std::string text;
        const CGameNode* node = nullptr;
        bool current = false;
    };
    struct Row {
        // "12." or empty for an unused row.
        std::string number;
        Cell white, black;
    };

    // Null or the root as `current`: the list starts at the first move of the main line from
    // `root`.
    LandscapeMoveList(const CGameNode* root, const CGameNode* current, int rows = kRows);

    const std::vector<Row>& rows() const { return m_rows; }
    // The node of the move shown at (row, column); null for the number column, an empty cell
    // or a place outside the list.
    const CGameNode* nodeAt(int row, int column) const;
    // The column under a tap `x` pixels from the left of an area `width` pixels wide: the
    // number takes a fifth, each move a third; -1 to the right of the moves.
    static int columnAt(int x, int width);

private:
    std::vector<Row> m_rows;
};

// Timer 100's rule: the clock area is redrawn on every tick, the status area when the
// engine's current-move number has changed since the previous tick.
class StatusRedraw {
public:
    struct Areas {
        bool clocks = true;
        bool status = false;
    };
    Areas tick(int currentMoveNumber);

private:
    int m_lastMoveNumber = 0;
};

} // namespace velmorak
