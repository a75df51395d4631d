#pragma once

#include <array>
#include <string>

namespace velmorak {

// The words and line templates of one server dialect: every command the client sends and
// every line it recognises comes from here, so that switching the dialect switches them
// all. The port, handle and password are replaced from the settings; the rest are
// constants. Templates are read by matchPattern, except `sPrompt`, `sStoredEnd` and
// `sHistoryEnd`, which are compared for equality.
struct ServerDialect {
    // Settings and login data.
    std::string sDefaultHost;
    int nPort = 0;
    // 1: outgoing lines are stamped and "[G]" is answered.
    int bTimeseal = 0;
    std::string sHandle;
    std::string sPassword;

    // Command words.
    std::string sName; // dialect name, listed in the login dialog's server box and used as
                       // settings-key prefix
    std::string sConsoleName; // name under which the server console is addressed as a chat target
    std::string sGuestHandle; // name sent for a guest login
    std::string sGuestPassword; // password sent for a guest login
    std::string sLineEnd; // terminator appended to every sent line
    std::string sLoginConfirm; // sent when the guest-name prompt is seen
    std::string sQuit; // sent on logout
    std::string sKeepAlive; // keep-alive probe
    std::string sSetSeek0; // sent after login
    std::string sStyle12; // sent after login
    std::string sSetShout0; // sent after login
    std::string sVariablesCmd; // requests the variable list
    std::string sSetCmd; // prefix for setting a variable
    std::string sJoinChannelCmd; // prefix for joining a channel
    std::string sLeaveChannelCmd; // prefix for leaving a channel
    std::string sTellCmd; // prefix for a personal message
    std::string sShoutCmd; // prefix for a shout
    std::string sKibitzCmd; // prefix for a kibitz
    std::string sFingerCmd; // prefix for finger
    std::string sWhoCmd; // requests the list of players
    std::string sGamesCmd; // requests the list of running games
    std::string sObserveCmd; // prefix for observing a game
    std::string sUnobserveCmd; // stops observing
    std::string sMovesCmd; // prefix for requesting a move list
    std::string sSmovesCmd; // prefix for requesting a stored game's move list
    std::string sSoughtCmd; // requests the seek list
    std::string sStoredCmd; // requests the adjourned-game list
    std::string sHistoryCmd; // requests the history list
    std::string sSeekCmd; // prefix for a seek
    std::string sUnseekCmd; // withdraws seeks
    std::string sMatchCmd; // prefix for a challenge or rematch
    std::string sPlayCmd; // prefix for answering a seek
    std::string sAcceptCmd; // prefix for accepting a challenge
    std::string sDeclineCmd; // prefix for declining a challenge or an offer
    std::string sAcceptDraw; // accepts a draw offer
    std::string sAcceptAdjourn; // accepts an adjourn request
    std::string sAcceptTakeback; // accepts a takeback request
    std::string sDeclineTakeback; // declines a takeback request
    std::string sResignCmd; // resigns
    std::string sFlagCmd; // claims a win on time
    std::string sAdjournCmd; // requests adjournment
    std::string sResumeCmd; // resumes an adjourned game
    std::string sAbortCmd; // requests abort (also the answer that accepts an abort request)
    std::string sDrawCmd; // offers a draw
    std::string sTakebackCmd; // prefix for a takeback request
    std::string sRatedWord; // word for rated in seeks and challenges
    std::string
        sUnratedWord; // word for unrated; also compared with the rated column of the seek list
    std::string sWhiteWord; // colour word white
    std::string sBlackWord; // colour word black
    std::string sManualWord; // seek flag: manual start
    std::string sFormulaWord; // seek flag: apply formula
    std::string sAutoWord; // seek flag: automatic start
    std::string sNoMove; // the move field of a style-12 line when there is no previous move

    // Line templates.
    std::string sLoginGuest; // captures the assigned name; the client then sends `sLoginConfirm`
    std::string sLoginRegistered; // captures the assigned name
    std::string sPrompt; // the prompt (compared for equality, not matched); ends the move list,
                         // variable and finger lists
    std::string
        sStoredEnd; // end of the adjourned list (compared for equality; a copy of `sPrompt`)
    std::string sHistoryEnd; // end of the history list (compared for equality; a copy of `sPrompt`)
    std::string sWhoEnd; // end of the player list
    std::string sGamesEnd; // end of the list of running games
    std::string sGamesLine; // one running game
    std::string sMovesHeader0; // move list begins (only before it has begun)
    std::string sMovesSeparator; // move list begins (only before it has begun)
    std::string sMovesHeader1; // header with players, ratings and date; fills the game header
    std::string sMovesMatchLine; // game kind line; followed by a check against `sMovesInitialTime`
    std::string sMovesInitialTime; // initial time and increment; sets the clock level
    std::string sMovesLine2; // a move pair with times
    std::string sMovesLine1; // a white move with its time
    std::string sMovesEnd; // result and reason of the listed game; ends the move list
    std::string sSoughtEnd; // end of the seek list
    std::string sSoughtLine; // one seek
    std::string sSoughtColor; // colour wanted, inside a seek line
    std::string sSoughtRange; // rating range, inside a seek line
    std::string sGameCreate1; // first announcement of a new own game: players, ratings, kind, time
    std::string sGameCreate2; // game number of a new own game; decides our colour
    std::string sGameContinue; // as `sGameCreate2` for a resumed adjourned game
    std::string sRatingAdjust; // new rating of this player after a game
    std::string sStyle12Line; // a board line in style 12
    std::string sResultWhite; // game ends 1-0
    std::string sResultBlack; // game ends 0-1
    std::string sResultDraw; // game ends 1/2-1/2
    std::string sResultNone; // game ends without result *
    std::string sReasonMate; // reason "checkmated"
    std::string sReasonResign; // reason "resigns"
    std::string sReasonTime; // reason "forfeits on time"
    std::string sReasonBothTime; // reason "both players ran out of time"
    std::string sReasonDisconnect; // reason "forfeits by disconnection"
    std::string sReasonLostAdjourned; // reason "lost contact, game adjourned"
    std::string sReasonLostAborted; // reason "lost contact, game aborted"
    std::string sReasonMutualAdjourn; // reason "mutual adjourn"
    std::string sReasonOther; // any other reason: the captured text
    std::string sTakebackRequest; // opponent asks to take back n half moves
    std::string sTakebackDeclined; // our takeback request declined
    std::string sDrawOffer; // opponent offers a draw
    std::string sDrawDeclined; // our draw offer declined
    std::string sAbortRequest; // opponent asks to abort
    std::string sAbortDeclined; // our abort request declined
    std::string sAdjournRequest; // opponent asks to adjourn
    std::string sAdjournDeclined; // our adjourn request declined
    std::string
        sAmbiguousMove; // our last move was refused as ambiguous; it is sent again in coordinates
    std::string sNoSuchGame; // requested game does not exist (while a game is being loaded)
    std::string sObserveStart; // observation of game n has begun
    std::string sObserveStop; // observation of game n has ended
    std::string sStoredNone; // no adjourned games; ends the list
    std::string sStoredLine; // one adjourned game
    std::string sStoredOnline; // marker character for an opponent who is online
    std::string sAdjournedArrived; // an opponent of an adjourned game has arrived
    std::string sAdjournedOnline; // adjourned games exist and opponents are online (FICS: count;
                                  // ICC: one name)
    std::string sHistoryLine; // one finished game
    std::string sKindLine; // applied to a blank followed by a bracketed game-kind field: kind
                           // letters, minutes, increment
    std::string sTimeHMS; // hours, minutes, seconds of a move time
    std::string sTimeMS; // minutes, seconds of a move time
    std::string sChallenge; // a challenge
    std::string
        sChallengeColor; // a challenge with the challenger's colour in brackets between the players
    std::string sChallengeAdjourned; // a challenge to continue an adjourned game
    std::string sMatchDeclined; // our challenge declined
    std::string sTellLine; // personal message
    std::string sSaysChannelLine; // message from the opponent, with game number
    std::string sSaysLine; // message from the opponent
    std::string sNameWithTitle; // applied to a sender name: strips a bracketed title
    std::string sShoutLine; // shout, to the "Shouts" page
    std::string sCShoutLine; // c-shout, to the "Shouts" page
    std::string sIShoutLine; // line beginning "-->", to the "Shouts" page
    std::string sKibitzLine; // kibitz with rating and game, to the "Kibitzes" page
    std::string sKibitzShortLine; // kibitz, to the "Kibitzes" page
    std::string sWhisperLine; // whisper with rating and game, to the "Kibitzes" page
    std::string sWhisperShortLine; // whisper, to the "Kibitzes" page
    std::string sArrivedLine; // a player has arrived, to that player's page
    std::string sPresentLine; // players present, to the named player's page
    std::string sDepartedLine; // a player has departed, to that player's page
    std::string sNotificationLine; // any other notification, to the "Notifications" page
    std::string sSeekSent; // confirmation that our seek went out
    std::string sRoboAdmin; // applied to a partner name: marks the server's robot administrator
    std::string sVariablesStart; // the variable list begins
    std::string sFingerStart; // finger output begins
    std::string sStatisticsStart; // statistics output begins
    std::string sMustRegister1; // the server requires a registered account
    std::string sMustRegister2; // the server requires a registered account
    std::string sIssuing; // the server issued our challenge; no message box
    std::string sChannelLine; // a channel message; the capture is the channel number
};

// Every line template of the record, the three compared for equality included.
inline constexpr std::array<std::string ServerDialect::*, 87> kServerDialectTemplates {
    &ServerDialect::sLoginGuest,
    &ServerDialect::sLoginRegistered,
    &ServerDialect::sPrompt,
    &ServerDialect::sStoredEnd,
    &ServerDialect::sHistoryEnd,
    &ServerDialect::sWhoEnd,
    &ServerDialect::sGamesEnd,
    &ServerDialect::sGamesLine,
    &ServerDialect::sMovesHeader0,
    &ServerDialect::sMovesSeparator,
    &ServerDialect::sMovesHeader1,
    &ServerDialect::sMovesMatchLine,
    &ServerDialect::sMovesInitialTime,
    &ServerDialect::sMovesLine2,
    &ServerDialect::sMovesLine1,
    &ServerDialect::sMovesEnd,
    &ServerDialect::sSoughtEnd,
    &ServerDialect::sSoughtLine,
    &ServerDialect::sSoughtColor,
    &ServerDialect::sSoughtRange,
    &ServerDialect::sGameCreate1,
    &ServerDialect::sGameCreate2,
    &ServerDialect::sGameContinue,
    &ServerDialect::sRatingAdjust,
    &ServerDialect::sStyle12Line,
    &ServerDialect::sResultWhite,
    &ServerDialect::sResultBlack,
    &ServerDialect::sResultDraw,
    &ServerDialect::sResultNone,
    &ServerDialect::sReasonMate,
    &ServerDialect::sReasonResign,
    &ServerDialect::sReasonTime,
    &ServerDialect::sReasonBothTime,
    &ServerDialect::sReasonDisconnect,
    &ServerDialect::sReasonLostAdjourned,
    &ServerDialect::sReasonLostAborted,
    &ServerDialect::sReasonMutualAdjourn,
    &ServerDialect::sReasonOther,
    &ServerDialect::sTakebackRequest,
    &ServerDialect::sTakebackDeclined,
    &ServerDialect::sDrawOffer,
    &ServerDialect::sDrawDeclined,
    &ServerDialect::sAbortRequest,
    &ServerDialect::sAbortDeclined,
    &ServerDialect::sAdjournRequest,
    &ServerDialect::sAdjournDeclined,
    &ServerDialect::sAmbiguousMove,
    &ServerDialect::sNoSuchGame,
    &ServerDialect::sObserveStart,
    &ServerDialect::sObserveStop,
    &ServerDialect::sStoredNone,
    &ServerDialect::sStoredLine,
    &ServerDialect::sStoredOnline,
    &ServerDialect::sAdjournedArrived,
    &ServerDialect::sAdjournedOnline,
    &ServerDialect::sHistoryLine,
    &ServerDialect::sKindLine,
    &ServerDialect::sTimeHMS,
    &ServerDialect::sTimeMS,
    &ServerDialect::sChallenge,
    &ServerDialect::sChallengeColor,
    &ServerDialect::sChallengeAdjourned,
    &ServerDialect::sMatchDeclined,
    &ServerDialect::sTellLine,
    &ServerDialect::sSaysChannelLine,
    &ServerDialect::sSaysLine,
    &ServerDialect::sNameWithTitle,
    &ServerDialect::sShoutLine,
    &ServerDialect::sCShoutLine,
    &ServerDialect::sIShoutLine,
    &ServerDialect::sKibitzLine,
    &ServerDialect::sKibitzShortLine,
    &ServerDialect::sWhisperLine,
    &ServerDialect::sWhisperShortLine,
    &ServerDialect::sArrivedLine,
    &ServerDialect::sPresentLine,
    &ServerDialect::sDepartedLine,
    &ServerDialect::sNotificationLine,
    &ServerDialect::sSeekSent,
    &ServerDialect::sRoboAdmin,
    &ServerDialect::sVariablesStart,
    &ServerDialect::sFingerStart,
    &ServerDialect::sStatisticsStart,
    &ServerDialect::sMustRegister1,
    &ServerDialect::sMustRegister2,
    &ServerDialect::sIssuing,
    &ServerDialect::sChannelLine,
};

inline constexpr int kFicsDialect = 0;
inline constexpr int kIccDialect = 1;
inline constexpr int kServerDialectCount = 2;

// The two dialects with their defaults, at kFicsDialect and kIccDialect; handle and
// password empty.
std::array<ServerDialect, kServerDialectCount> makeServerDialects();

} // namespace velmorak
