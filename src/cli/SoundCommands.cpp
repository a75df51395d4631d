// Subcommands for move sounds and spoken moves: say, sound.
#include <ostream>

#include "CliArguments.h"
#include "CliCommand.h"
#include "CliFen.h"
#include "base/ProgramDirectory.h"
#include "platform/PulseSoundOutput.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/SanNotation.h"
#include "sound/MoveSounds.h"
#include "sound/MoveWords.h"

namespace velmorak::cli {

namespace {

// The board reads any text as a FEN; insist on the eight ranks and the side to move.
bool readBoard(const std::string& fen, Board& board, std::ostream& err, const char* command)
{
    if (!looksLikeFen(fen)) {
        usage(err, command, notAFenMessage(fen));
        return false;
    }
    board.setFromFen(fen);
    return true;
}

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

int runSay(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "mode", "play");
    if (!parsed.error().empty())
        return usage(err, "say", parsed.error());
    const CliArgs& pos = parsed.positional();
    if (pos.size() != 2)
        return usage(err, "say", "expected FEN SAN");
    std::string modeText = parsed.value("mode").value_or("brief");
    AnnounceMode mode;
    if (modeText == "brief")
        mode = AnnounceMode::Brief;
    else if (modeText == "verbose")
        mode = AnnounceMode::Verbose;
    else if (modeText == "all")
        mode = AnnounceMode::All;
    else
        return usage(err, "say", "--mode takes brief, verbose or all");

    Board board;
    if (!readBoard(pos[0], board, err, "say"))
        return kExitUsage;
    Move move = readSan(board, pos[1]);
    if (move == NoMove || move == AmbiguousMove)
        return usage(err, "say", "'" + pos[1] + "' is no legal move in this position");
    std::string san = writeSan(board, move, true);

    std::string folder = dataDirectory();
    std::unique_ptr<SoundOutput> output;
    SilentSoundOutput silent;
    if (parsed.flag("play"))
        output = makeSystemSoundOutput(folder, systemClock(),
            [&err](const std::string& message) { err << "velmorak-cli say: " << message << '\n'; });
    MoveSounds sounds(output ? *output : silent, folder + "/announce");
    sounds.setAnnounceMode(mode);
    std::vector<std::string> words = sounds.announceWords(move, board, san);
    out << joined(words) << '\n';
    if (parsed.flag("play")) {
        if (!hasVoiceFiles(sounds.announceFolder()))
            err << "velmorak-cli say: no voice files in " << sounds.announceFolder()
                << " (built without espeak-ng?); only the move sound plays\n";
        sounds.PlayMoveSound(move);
        sounds.AnnounceMove(move, board, san);
    }
    return kExitOk;
}

int runSound(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "", "");
    if (!parsed.error().empty())
        return usage(err, "sound", parsed.error());
    const CliArgs& pos = parsed.positional();
    if (pos.size() != 2)
        return usage(err, "sound", "expected FEN MOVE (coordinates such as e2e4, or null)");
    Board board;
    if (!readBoard(pos[0], board, err, "sound"))
        return kExitUsage;
    std::string text = pos[1];
    Move move = NoMove;
    if (text == "null" || text == "NULL" || text == "0000") {
        move = NullMove;
    } else {
        std::size_t cursor = 0;
        move = readCoordinateToken(board, text, cursor);
        if (cursor != text.size())
            move = NoMove;
    }
    if (move == NoMove)
        return usage(
            err, "sound", "'" + text + "' is no legal move in coordinates in this position");
    std::string name = moveSoundName(move);
    out << (name.empty() ? "default" : name) << '\n';
    return kExitOk;
}

const CliRegistration kSayReg({ "say",
    "velmorak-cli say FEN SAN [--mode brief|verbose|all] [--play]\n"
    "    Print the words spoken for a move (default mode brief), with the state word after\n"
    "    it; --play also plays its move sound and speaks it.",
    &runSay });

const CliRegistration kSoundReg({ "sound",
    "velmorak-cli sound FEN MOVE\n"
    "    Print the move sound a move gets: move1 .. move8, or default for a null move.",
    &runSound });

} // namespace

} // namespace velmorak::cli
