/*
 * TestEngine.vme: a deterministic, scriptable engine plug-in for tests of the engine host,
 * the engine driver, hint, threat, coach, pondering and analysis.
 *
 * Environment:
 *   VELMORAK_TESTENGINE_SCRIPT  path of a script file
 *   VELMORAK_TESTENGINE         the script itself (';' separates lines), when no file is named
 *   VELMORAK_TESTENGINE_LOG     a file every plug-in call is appended to, one line each:
 *                               "SetPosition FEN", "EnterMove e2e4", "SetLevel 1 5 0 99", ...
 *
 * A script is a list of blocks separated by lines "---"; the n-th search (StartAnalyse) runs
 * the n-th block, the last block again for later searches. Lines of a block, run in order:
 *   name TEXT                the engine name (any block; default "TestEngine")
 *   nodes N                  report N nodes
 *   depth D [SECOND]         report the depths
 *   current MOVE NUMBER COUNT  report a current move
 *   line SCORE MOVE...       report a line; the word "first" stands for the first legal move
 *   sleep MS                 wait (ends early on StopAnalyse)
 *   waitstop                 wait until StopAnalyse
 *   waitponder               wait until SetPonderOff or StopAnalyse
 *   stopcheck                end the search here when StopAnalyse has come
 *   error TEXT               the text GetEngineError returns until the next search
 *   nowait                   a ponder search runs its block at once, ending by itself
 * A block without report lines plays the first legal move: nodes 1, depth 1 1, current move
 * 1 of the legal move count, line "first" with score 0. A ponder search (StartAnalyse(1))
 * first waits for SetPonderOff or StopAnalyse (unless its block says nowait), then runs its
 * block.
 */
#pragma once

#define VELMORAK_TESTENGINE_SCRIPT_VARIABLE "VELMORAK_TESTENGINE_SCRIPT"
#define VELMORAK_TESTENGINE_TEXT_VARIABLE "VELMORAK_TESTENGINE"
#define VELMORAK_TESTENGINE_LOG_VARIABLE "VELMORAK_TESTENGINE_LOG"
