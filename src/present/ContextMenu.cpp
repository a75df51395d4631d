#include "present/ContextMenu.h"

namespace velmorak {

namespace {

constexpr MenuItem item(int command, std::string_view text)
{
    return { MenuItemKind::Command, command, text, {} };
}

constexpr MenuItem kSeparator { MenuItemKind::Separator, 0, {}, {} };

constexpr MenuItem kNotConnected[] = {
    item(cmd::kNewGame, "New game"),
    item(cmd::kLoadGame, "Load game..."),
    item(cmd::kNextGame, "Next game"),
    item(cmd::kPreviousGame, "Previous game"),
    kSeparator,
    item(cmd::kLoginLogout, "Login chess-server..."),
    item(cmd::kLevels, "Levels..."),
    item(cmd::kOptions, "Options..."),
    kSeparator,
    item(cmd::kCommentMove, "Comment move..."),
    item(cmd::kReplayMoves, "Replay moves"),
    item(cmd::kBackToStart, "Back to start"),
    item(cmd::kForwardToEnd, "Forward to end"),
};

constexpr MenuItem kPlayingServerGame[] = {
    item(cmd::kOptions, "Options..."),
    item(cmd::kCommentMove, "Comment move..."),
    kSeparator,
    item(cmd::kLoginLogout, "Logout..."),
    item(cmd::kFinger, "Finger..."),
    item(cmd::kChat, "Chat..."),
    kSeparator,
    item(cmd::kFlag, "Flag"),
    item(cmd::kOfferDraw, "Offer draw"),
    item(cmd::kResignGame, "Resign game"),
    item(cmd::kAdjournGame, "Adjourn game"),
    item(cmd::kAbortGame, "Abort game"),
};

constexpr MenuItem kObserving[] = {
    item(cmd::kOptions, "Options..."),
    item(cmd::kCommentMove, "Comment move..."),
    kSeparator,
    item(cmd::kLoginLogout, "Logout..."),
    item(cmd::kSeek, "Seek..."),
    item(cmd::kSought, "Sought..."),
    item(cmd::kObserve, "Observe..."),
    item(cmd::kAdjourn, "Adjourn..."),
    item(cmd::kHistory, "History..."),
    item(cmd::kFinger, "Finger..."),
    item(cmd::kChat, "Chat..."),
};

constexpr MenuItem kConnected[] = {
    item(cmd::kCommentMove, "Comment move..."),
    item(cmd::kReplayMoves, "Replay moves"),
    kSeparator,
    item(cmd::kLoginLogout, "Logout..."),
    item(cmd::kSeek, "Seek..."),
    item(cmd::kSought, "Sought..."),
    item(cmd::kObserve, "Observe..."),
    item(cmd::kAdjourn, "Adjourn..."),
    item(cmd::kHistory, "History..."),
    item(cmd::kFinger, "Finger..."),
    item(cmd::kChat, "Chat..."),
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
