#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rules/Board.h"
#include "rules/GameEndCode.h"
#include "rules/Move.h"

namespace velmorak {

class SoundOutput;

// The announce modes of the IDC_CBANNOUNCE setting.
enum class AnnounceMode { Off = 0, Brief = 1, Verbose = 2, All = 3 };

// Where a move came from; decides whether it is spoken.
enum class MoveSource { User, Engine, Server };

// The file whose presence makes the voice announcements available.
inline constexpr std::string_view kAnnounceProbeFile = "1from.wav";

// Whether `announceFolder` holds the voice files (its 1from.wav exists).
bool hasVoiceFiles(const std::string& announceFolder);
// The mode the options offer: the stored one when voice files exist and it is 0..3, else Off.
AnnounceMode effectiveAnnounceMode(int storedMode, bool voiceFilesPresent);

// Gives each move its audible cue: a move sound, and the move spoken word by word from the
// WAV files of the announce folder. Used on the main thread. Speaking blocks the caller until
// the last word has ended; the move sound does not.
class MoveSounds {
public:
    // `output` must outlive this object. `announceFolder` is the folder of the voice files
    // (the program directory's "announce").
    MoveSounds(SoundOutput& output, std::string announceFolder);

    // The two options, changed at any time by the options dialog.
    void setSoundOn(bool on) { m_soundOn = on; }
    bool soundOn() const { return m_soundOn; }
    void setAnnounceMode(AnnounceMode mode) { m_mode = mode; }
    AnnounceMode announceMode() const { return m_mode; }
    const std::string& announceFolder() const { return m_folder; }

    // Plays the move's sound when move sounds are on.
    void PlayMoveSound(Move move);
    // The system's alert sound before a warning question (the coach's); always played.
    void questionBeep();
    // Speaks the move (short form in Brief, full form in Verbose and All) unless the mode is
    // Off, then the state word of the position after it. `before` is the position the move
    // is made from; `san` its SAN there.
    void AnnounceMove(Move move, const Board& before, std::string_view san);
    // Speaks the full form without a state word (hint and threat moves, moves stepped
    // through), in every mode but Off.
    void AnnounceMoveFull(Move move);
    // "Check", "Checkmate", "Stalemate" or "Drawoffer" for the state after a move, unless
    // the mode is Off.
    void AnnounceState(GameEndCode end, bool inCheck);
    // The state of `after`, the position after the move.
    void AnnounceState(Board& after);
    // Plays one word file and returns when it has ended; a missing file plays nothing and
    // returns false.
    bool SpeakWord(std::string_view word);

    // Speaks a move just made, as the callers of AnnounceMove do: every engine and server
    // move is announced; a move of the user only in mode All, and in Brief and Verbose only
    // its state word, and only while a DGT board is connected (the player is looking at the
    // real board, not the screen). `before` is the position the move was made from.
    void announceMadeMove(
        MoveSource source, Move move, const Board& before, std::string_view san, bool dgtConnected);

    // The words AnnounceMove speaks, in order, for the current mode (state word included).
    std::vector<std::string> announceWords(
        Move move, const Board& before, std::string_view san) const;

private:
    void speakAll(const std::vector<std::string>& words);

    SoundOutput* m_output;
    std::string m_folder;
    bool m_soundOn = true;
    AnnounceMode m_mode = AnnounceMode::Off;
};

} // namespace velmorak
