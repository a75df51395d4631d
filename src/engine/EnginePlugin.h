/*
 * Velmorak engine plug-in interface.
 *
 * A plug-in is a shared library whose file name ends in ".vme", placed in the folder of the
 * Velmorak executables. It must export the fifteen C functions declared below, by these
 * exact names; a library lacking any one of them is not used. This header is plain C (it
 * compiles as C and C++) and is all a third party needs to write a plug-in. Text arguments
 * are 8-bit strings ending in a zero byte; they stay valid only for the duration of the
 * call, so copy what you keep.
 *
 * Threads and order of calls
 * --------------------------
 * Velmorak runs the plug-in on its engine thread: StartEngine once when that thread starts,
 * StartAnalyse for every search, ExitEngine once before the thread ends. Every report
 * function of the table given to StartEngine must be called from inside StartAnalyse, on
 * the thread that runs it. StopAnalyse and SetPonderOff arrive from the user-interface
 * thread while StartAnalyse runs, so they must be safe to call concurrently with it.
 *
 * Before each search, while no search runs, the program sends (from either thread):
 *   SetPosition(fen)         the start position of the game, as FEN
 *   EnterMove(move)          once per game move, as coordinates ("e2e4", "e7e8q", "e1g1")
 *   SetBook(path, mode)      the engine book (may be empty) and the book mode
 *   SetTimeControl(...)      only for timed levels
 *   SetLevel(...)            always
 * and then StartAnalyse(0) (search for the move to play) or, for a ponder search whose
 * position already includes one more EnterMove for the expected reply, StartAnalyse(1).
 * StartAnalyse returns when the search is over. ClearHashtables may come between searches.
 * The plug-in keeps no game state between searches: the whole game is sent every time.
 *
 * Levels (the arguments of SetTimeControl and SetLevel):
 *   analysis                 SetLevel(1, 999999, 0, 99)
 *   fixed depth              SetLevel(1, 999999, 0, depth)
 *   fixed seconds per move   SetTimeControl(1, seconds), SetLevel(1, seconds, 0, 99)
 *   base plus increment      SetTimeControl(0, 0), SetLevel(0, secondsLeft, increment, 99)
 *   tournament periods       SetTimeControl(moves, seconds of the period),
 *                            SetLevel(movesToGo, secondsLeft, 0, 99)
 *   anything else, hints     SetLevel(1, 5, 0, 99)
 * Moves to go 0 means the rest of the game, 999999 seconds means no time limit and a depth
 * of 99 plies means no depth limit.
 *
 * Reports and scores
 * ------------------
 * The engine's move is the first move of the last line reported before StartAnalyse
 * returns; the second move of that line is the reply it expects (used for pondering). A
 * search that ends without reporting a line plays nothing.
 *
 * Scores are centipawns from the point of view of the side to move in the position given
 * (after all EnterMove calls). A mate is 30000 minus the number of plies to mate for the
 * side that mates (mate in one = 29999) and the negative of that for the side being mated
 * (mated in one move = -29998). Values from -28000 to 28000 are centipawn scores.
 *
 * Texts longer than the program keeps (479 characters for a line, 15 for a move) are cut.
 *
 * Telling the user why
 * --------------------
 * A plug-in may also export GetEngineError (below). It is optional: the program looks it
 * up by name and does without it when it is missing. After a search that ended without a
 * line, after StartEngine, or whenever the program wants to explain a failure, it calls
 * GetEngineError and shows a non-empty text to the user ("the engine program
 * '/usr/games/stockfish' was not found", "position refused: ..."). An empty text (or a
 * null pointer) means no failure is known.
 */
#ifndef VELMORAK_ENGINE_PLUGIN_H
#define VELMORAK_ENGINE_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VELMORAK_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define VELMORAK_PLUGIN_EXPORT
#endif

/* Book modes of SetBook. */
enum {
    VELMORAK_BOOK_OFF = 0,
    VELMORAK_BOOK_BEST = 1,
    VELMORAK_BOOK_GOOD = 2,
    VELMORAK_BOOK_RANDOM = 3
};

/* StartAnalyse modes. */
enum { VELMORAK_SEARCH_MOVE = 0, VELMORAK_SEARCH_PONDER = 1 };

/* Score limits: above VELMORAK_MATE_THRESHOLD (or below its negative) a score is a mate. */
#define VELMORAK_MATE_SCORE 30000
#define VELMORAK_MATE_THRESHOLD 28000

/* The node count so far, split in its low and high 32 bits. */
typedef void (*EngineReportNodes)(uint32_t nodesLow, uint32_t nodesHigh);
/* The depth reached and the second (selective) depth. */
typedef void (*EngineReportDepth)(int depth, int selectiveDepth);
/* The move being searched in coordinates, its number in the move list (counting from 0 or
 * from 1, both are understood) and the number of moves to search. */
typedef void (*EngineReportCurrentMove)(const char* move, int number, int count);
/* A principal variation: coordinate moves separated by single blanks, optionally ending in
 * '!' or '?', and its score by the convention above. */
typedef void (*EngineReportLine)(const char* line, int score);
/* Accepted and ignored. */
typedef void (*EngineReportValue)(int value);

/* The report table handed to StartEngine; it stays valid until ExitEngine returns. */
typedef struct EngineCallbacks {
    uint32_t reserved; /* slot 0: always 0 */
    EngineReportNodes reportNodes; /* slot 1 */
    EngineReportDepth reportDepth; /* slot 2 */
    EngineReportCurrentMove reportCurrentMove; /* slot 3 */
    EngineReportLine reportLine; /* slot 4 */
    EngineReportValue reportValue; /* slot 5 */
} EngineCallbacks;

/* The fifteen exports. */
VELMORAK_PLUGIN_EXPORT void StartEngine(int hashSizeKb, const EngineCallbacks* callbacks);
VELMORAK_PLUGIN_EXPORT void ExitEngine(void);
VELMORAK_PLUGIN_EXPORT void StartAnalyse(int mode);
VELMORAK_PLUGIN_EXPORT void StopAnalyse(void);
VELMORAK_PLUGIN_EXPORT void SetPonderOff(void);
VELMORAK_PLUGIN_EXPORT void ClearHashtables(void);
VELMORAK_PLUGIN_EXPORT void SetPosition(const char* fen);
VELMORAK_PLUGIN_EXPORT void EnterMove(const char* move);
VELMORAK_PLUGIN_EXPORT void SetBook(const char* path, int mode);
VELMORAK_PLUGIN_EXPORT void SetTimeControl(int movesPerPeriod, int secondsPerPeriod);
VELMORAK_PLUGIN_EXPORT void SetLevel(
    int movesToGo, int secondsLeft, int incrementSeconds, int maxDepthPlies);
/* The engine's display name; the pointer must stay valid while the library is loaded.
 * Velmorak identifies a plug-in by this name. */
VELMORAK_PLUGIN_EXPORT const char* GetEngineName(void);
/* Never called by Velmorak; they must exist. The signatures below are this program's
 * choice: a blank-separated list of parameter names written into buffer (the length is
 * returned), a parameter set by name (0 on success), and the interface version (1). */
VELMORAK_PLUGIN_EXPORT int GetParameterList(char* buffer, int bufferSize);
VELMORAK_PLUGIN_EXPORT int SetParameter(const char* name, const char* value);
VELMORAK_PLUGIN_EXPORT int GetInterfaceVersion(void);

/* Optional: why the last start or search failed, as one line of text for the user, or ""
 * when nothing failed. Called from either thread, never concurrently with itself; the
 * pointer must stay valid until the next call or until the library is unloaded. */
VELMORAK_PLUGIN_EXPORT const char* GetEngineError(void);

/* Function pointer types of the exports, for hosts that look them up by name. */
typedef void (*StartEngineFunction)(int, const EngineCallbacks*);
typedef void (*VoidFunction)(void);
typedef void (*StartAnalyseFunction)(int);
typedef void (*TextFunction)(const char*);
typedef void (*SetBookFunction)(const char*, int);
typedef void (*SetTimeControlFunction)(int, int);
typedef void (*SetLevelFunction)(int, int, int, int);
typedef const char* (*GetEngineNameFunction)(void);
typedef int (*GetParameterListFunction)(char*, int);
typedef int (*SetParameterFunction)(const char*, const char*);
typedef int (*GetInterfaceVersionFunction)(void);
typedef const char* (*GetEngineErrorFunction)(void);

#ifdef __cplusplus
}
#endif

#endif
