#include "MoveSounds.h"

#include <sys/stat.h>

#include "sound/MoveWords.h"
#include "sound/SoundOutput.h"

namespace velmorak {

bool hasVoiceFiles(const std::string& announceFolder)
{
    struct stat info { };
    std::string probe = announceFolder + "/" + std::string(kAnnounceProbeFile);
    return ::stat(probe.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

AnnounceMode effectiveAnnounceMode(int storedMode, bool voiceFilesPresent)
{
    if (!voiceFilesPresent || storedMode < 0 || storedMode > 3)
        return AnnounceMode::Off;
    return static_cast<AnnounceMode>(storedMode);
}

MoveSounds::MoveSounds(SoundOutput& output, std::string announceFolder)
    : m_output(&output)
    , m_folder(std::move(announceFolder))
{
}

void MoveSounds::PlayMoveSound(Move move)
{
    if (!m_soundOn)
        return;
    std::string name = moveSoundName(move);
    if (name.empty())
        m_output->playSystemDefault();
    else
        m_output->playNamedAsync(name);
}

std::vector<std::string> MoveSounds::announceWords(
    Move move, const Board& before, std::string_view san) const
{
    std::vector<std::string> words;
    // A sentinel move (no move at all) says nothing and is not made on a board.
    if (m_mode == AnnounceMode::Off || (isNullMove(move) && move != NullMove))
        return words;
    if (m_mode == AnnounceMode::Brief) {
        PieceCode mover = isNullMove(move) ? kEmpty : before.pieceAt(move.from);
        words = briefMoveWords(move, mover, san);
    } else {
        words = fullMoveWords(move);
    }
    Board after = before;
    after.makeMove(move);
    bool inCheck = after.isInCheck();
    std::string_view state = stateWord(after.gameEnd(), inCheck);
    if (!state.empty())
        words.emplace_back(state);
    return words;
}

void MoveSounds::questionBeep()
{
    m_output->playSystemDefault();
}

void MoveSounds::AnnounceMove(Move move, const Board& before, std::string_view san)
{
    speakAll(announceWords(move, before, san));
}

void MoveSounds::announceMadeMove(
    MoveSource source, Move move, const Board& before, std::string_view san, bool dgtConnected)
{
    if (source != MoveSource::User || m_mode == AnnounceMode::All) {
        AnnounceMove(move, before, san);
        return;
    }
    if (!dgtConnected || (isNullMove(move) && move != NullMove))
        return;
    Board after = before;
    after.makeMove(move);
    AnnounceState(after);
}

void MoveSounds::AnnounceMoveFull(Move move)
{
    if (m_mode != AnnounceMode::Off)
        speakAll(fullMoveWords(move));
}

void MoveSounds::AnnounceState(GameEndCode end, bool inCheck)
{
    std::string_view word = stateWord(end, inCheck);
    if (m_mode != AnnounceMode::Off && !word.empty())
        SpeakWord(word);
}

void MoveSounds::AnnounceState(Board& after)
{
    bool inCheck = after.isInCheck();
    AnnounceState(after.gameEnd(), inCheck);
}

bool MoveSounds::SpeakWord(std::string_view word)
{
    return m_output->playFileSync(m_folder + "/" + std::string(word) + ".wav");
}

void MoveSounds::speakAll(const std::vector<std::string>& words)
{
    for (const std::string& word : words)
        SpeakWord(word);
}

} // namespace velmorak
