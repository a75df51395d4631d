#pragma once

#include <string_view>

#include "server/ServerGameResult.h"
#include "server/ServerPattern.h"

namespace velmorak {

// What a recognised server line is. The captures of each kind are those of the template
// named beside it, in template order.
enum class ServerLineKind {
    WhoEnd, // sWhoEnd
    GamesEnd, // sGamesEnd
    GamesLine, // sGamesLine
    MovesPair, // sMovesLine2: a move pair with times
    MovesSingle, // sMovesLine1: a white move with its time
    MovesStarted, // sMovesHeader0 or sMovesSeparator
    MovesHeader, // sMovesHeader1
    MovesLevel, // sMovesMatchLine; captures of sMovesInitialTime, empty when it does not match
    MovesEnded, // the prompt after the list began
    MovesResult, // sMovesEnd; the result, when one is reported
    SoughtEnd, // sSoughtEnd
    SoughtLine, // sSoughtLine; `more` sSoughtColor, `range` sSoughtRange (empty: absent)
    GameCreate1, // sGameCreate1
    GameCreate2, // sGameCreate2
    GameContinue, // sGameContinue
    RatingAdjust, // sRatingAdjust
    GameResult, // a result line in server-game mode; `result` is set
    BoardLine, // sStyle12Line in server-game mode
    TakebackRequest, // sTakebackRequest
    TakebackDeclined, // sTakebackDeclined
    DrawOffer, // sDrawOffer
    DrawDeclined, // sDrawDeclined
    AbortRequest, // sAbortRequest
    AbortDeclined, // sAbortDeclined
    AdjournRequest, // sAdjournRequest
    AdjournDeclined, // sAdjournDeclined
    MoveAmbiguous, // sAmbiguousMove
    NoSuchGame, // sNoSuchGame while a game is loaded
    ObserveStart, // sObserveStart
    ObserveStop, // sObserveStop in observe mode
    ObservedGameResult, // a result line in observe mode; `result` is set
    ObservedBoardLine, // sStyle12Line in observe mode
    StoredEnd, // the prompt ending the adjourned list
    StoredNone, // sStoredNone
    StoredLine, // sStoredLine
    AdjournedArrived, // sAdjournedArrived
    AdjournedOnline, // sAdjournedOnline
    HistoryEnd, // the prompt ending the history list
    HistoryLine, // sHistoryLine
    Challenge, // sChallenge; `more` holds the sChallengeAdjourned captures when it matches
    ChallengeColor, // sChallengeColor
    MatchDeclined, // sMatchDeclined
    Tell, // sTellLine
    SaysChannel, // sSaysChannelLine
    Says, // sSaysLine
    Shout, // sShoutLine
    CShout, // sCShoutLine
    IShout, // sIShoutLine
    Kibitz, // sKibitzLine
    KibitzShort, // sKibitzShortLine
    Whisper, // sWhisperLine
    WhisperShort, // sWhisperShortLine
    Arrived, // sArrivedLine
    Present, // sPresentLine
    Departed, // sDepartedLine
    Notification, // sNotificationLine
    SeekSent, // sSeekSent
    VariablesStart, // sVariablesStart
    VariablesLine, // any line of the variable list
    VariablesEnd, // the prompt ending it
    FingerStart, // sFingerStart or sStatisticsStart
    FingerLine, // any line of finger output
    FingerEnd, // the prompt ending it
    MustRegister, // sMustRegister1 or sMustRegister2
    Issuing, // sIssuing while a reply is awaited
    Reply, // any other first reply (not the prompt) while a reply is awaited
    ChannelLine, // sChannelLine
};

// The short name of a kind ("BoardLine"), for logs and tests.
std::string_view serverLineKindName(ServerLineKind kind);

// One recognised line as handed to the handler; valid only during the call.
struct ServerLineEvent {
    ServerLineKind kind;
    std::string_view line;
    const PatternCaptures& captures;
    const PatternCaptures& more;
    const PatternCaptures& range;
    const ServerGameResult* result; // for the result kinds; null otherwise
};

// What the line dispatcher needs of the program around it: the console, the log, the
// game controller's modes, and a place for every recognised line. Implemented by the
// server session of the application.
class ServerLineHandler {
public:
    virtual ~ServerLineHandler() = default;

    // Appends a line to the server console; false when it could not be kept.
    virtual bool addConsoleLine(std::string_view line) = 0;
    virtual void log(std::string_view text) = 0;

    virtual bool serverGameMode() const = 0;
    virtual bool observeMode() const = 0;
    // Whether a current game exists to load moves into.
    virtual bool hasCurrentGame() const = 0;
    // The played or observed game's number, -1 when none.
    virtual int serverGameNumber() const = 0;

    // A line of the player list: takes the entries it holds; true when the whole line
    // read as entries and at least one was taken (the line is then consumed).
    virtual bool takeWhoEntries(std::string_view line) = 0;
    // A recognised line. Every kind except Reply and Issuing consumes the line.
    virtual void handleServerLine(const ServerLineEvent& event) = 0;
};

} // namespace velmorak
