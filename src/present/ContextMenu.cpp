#include "present/ContextMenu.h"

namespace velmorak {

namespace {

constexpr MenuItem item(int command, std::string_view text)
{
    return { MenuItemKind::Command, command, text, {} };
}

constexpr MenuItem kSeparator { MenuItemKind::Separator, 0, {}, {} };

constexpr MenuItem kNotConnected[] = {
    item(40006, "New game"),
    item(40007, "Load game..."),
    item(40053, "Next game"),
    item(40054, "Previous game"),
    kSeparator,
    item(40072, "Login chess-server..."),
    item(40013, "Levels..."),
    item(40012, "Options..."),
    kSeparator,
    item(40021, "Comment move..."),
    item(40010, "Replay moves"),
    item(40051, "Back to start"),
    item(40052, "Forward to end"),
};

constexpr MenuItem kPlayingServerGame[] = {
    item(40012, "Options..."),
    item(40021, "Comment move..."),
    kSeparator,
    item(40072, "Logout..."),
    item(40087, "Finger..."),
    item(40079, "Chat..."),
    kSeparator,
    item(40081, "Flag"),
    item(40084, "Offer draw"),
    item(40080, "Resign game"),
    item(40082, "Adjourn game"),
    item(40083, "Abort game"),
};

constexpr MenuItem kObserving[] = {
    item(40012, "Options..."),
    item(40021, "Comment move..."),
    kSeparator,
    item(40072, "Logout..."),
    item(40074, "Seek..."),
    item(40075, "Sought..."),
    item(40076, "Observe..."),
    item(40077, "Adjourn..."),
    item(40078, "History..."),
    item(40087, "Finger..."),
    item(40079, "Chat..."),
};

constexpr MenuItem kConnected[] = {
    item(40021, "Comment move..."),
    item(40010, "Replay moves"),
    kSeparator,
    item(40072, "Logout..."),
    item(40074, "Seek..."),
    item(40075, "Sought..."),
    item(40076, "Observe..."),
    item(40077, "Adjourn..."),
    item(40078, "History..."),
    item(40087, "Finger..."),
    item(40079, "Chat..."),
};

} // namespace

ContextSituation contextSituation(bool connected, bool playingServerGame, bool observing)
{
    if (!connected)
        return ContextSituation::NotConnected;
    if (playingServerGame)
        return ContextSituation::PlayingServerGame;
    return observing ? ContextSituation::Observing : ContextSituation::Connected;
}

ContextMenu contextMenu(ContextSituation situation)
{
    switch (situation) {
    case ContextSituation::PlayingServerGame:
        return { 40088, kPlayingServerGame };
    case ContextSituation::Observing:
        return { 40089, kObserving };
    case ContextSituation::Connected:
        return { 106, kConnected };
    case ContextSituation::NotConnected:
        break;
    }
    return { 105, kNotConnected };
}

bool opensContextMenu(int layoutIndex, bool flipped, Rect client, Point point)
{
    const LayoutRecord& layout = layoutRecord(layoutIndex);
    const bool inside = point.x >= client.left && point.x < client.right && point.y >= client.top;
    const bool onBoard = squareAt(layout, point, { client.left, client.top }, flipped) != NoSquare;
    return inside && !onBoard && point.y < panelRects(layoutIndex, client).status.bottom;
}

} // namespace velmorak
