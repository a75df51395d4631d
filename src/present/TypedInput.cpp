#include "present/TypedInput.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>
#include <vector>

#include "present/CommandTable.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"
#include "rules/SanNotation.h"

namespace velmorak {

namespace {

struct CommandWord {
    std::string_view word;
    TypedCommand command;
};

constexpr std::array<CommandWord, 17> kCommandWords { {
    { "back", TypedCommand::Back },
    { "forward", TypedCommand::Forward },
    { "start", TypedCommand::Start },
    { "end", TypedCommand::End },
    { "new", TypedCommand::New },
    { "movenow", TypedCommand::MoveNow },
    { "analyse", TypedCommand::Analyse },
    { "replay", TypedCommand::Replay },
    { "level", TypedCommand::Level },
    { "board", TypedCommand::Board },
    { "pgn", TypedCommand::Pgn },
    { "quit", TypedCommand::Quit },
    { "hint", TypedCommand::Hint },
    { "threat", TypedCommand::Threat },
    { "status", TypedCommand::ShowStatus },
    { "coach", TypedCommand::Coach },
    { "train", TypedCommand::Train },
} };

// The menus' commands that have no word of their own above, so that everything the menus
// and buttons do can be typed too.
struct MenuWord {
    std::string_view word;
    int command;
};

constexpr MenuWord kMenuWords[] = {
    { "moves", cmd::kGameMoves },
    { "details", cmd::kGameDetails },
    { "comment", cmd::kCommentMove },
    { "save", cmd::kSaveGame },
    { "load", cmd::kLoadGame },
    { "replace", cmd::kReplaceGame },
    { "database", cmd::kSelectDatabase },
    { "nextgame", cmd::kNextGame },
    { "prevgame", cmd::kPreviousGame },
    { "levels", cmd::kLevels },
    { "options", cmd::kOptions },
    { "setup", cmd::kSetupBoard },
    { "book", cmd::kSelectBook },
    { "flip", cmd::kFlipBoard },
    { "layout", cmd::kToggleLayout },
    { "clearhash", cmd::kClearHashtables },
    { "announce", cmd::kAnnounceStatus },
    { "about", cmd::kAbout },
    { "help", cmd::kHelp },
};

// Quoted input in a message is cut so one line of garbage gives one readable line.
constexpr std::size_t kMaxQuotedLength = 40;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The typed text as it may appear inside a one-line message: control bytes would break
// the line (or a terminal), so they show as '?'.
std::string quoted(std::string_view text)
{
    std::string out = "'";
    for (std::size_t i = 0; i < text.size() && i < kMaxQuotedLength; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    if (text.size() > kMaxQuotedLength)
        out += "...";
    return out + "'";
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
            std::tolower(static_cast<unsigned char>(y));
    });
}

Error invalid(std::string message)
{
    return Error { ErrorKind::InvalidInput, std::move(message) };
}

bool isFile(char c)
{
    return c >= 'a' && c <= 'h';
}

bool isRank(char c)
{
    return c >= '1' && c <= '8';
}

// "e2e4" or "e7e8q": read as coordinates, never as SAN.
bool isCoordinateText(std::string_view text)
{
    if (text.size() != 4 && text.size() != 5)
        return false;
    if (!isFile(text[0]) || !isRank(text[1]) || !isFile(text[2]) || !isRank(text[3]))
        return false;
    return text.size() == 4 || std::string_view("qrbnQRBN").find(text[4]) != std::string_view::npos;
}

// Whether a text that is no legal move was meant as one, so the message can say "no legal
// move" rather than "unknown command": it starts like a move and names a rank, or castles.
bool looksLikeMove(std::string_view text)
{
    char first = text.front();
    if (std::string_view("KQRBNkqrnabcdefgh").find(first) != std::string_view::npos)
        return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    std::string s = simplifySan(text);
    return s == "oo" || s == "ooo";
}

// The legal moves that `text` names without saying which piece moves: "Nd2" when both
// knights reach d2. Each move's SAN written without disambiguation is compared with the
// text, so a text that names the file or rank ("Nbd2") matches none.
std::vector<Move> movesSharingTheText(Board& board, std::string_view text)
{
    std::string wanted = simplifySan(text);
    MoveList legal;
    board.allLegalMoves(legal);
    std::vector<Move> matches;
    for (Move candidate : legal) {
        SanOptions options;
        options.move = candidate;
        options.candidates = &candidate;
        options.candidateCount = 1;
        if (simplifySan(writeSan(board, options)) == wanted)
            matches.push_back(candidate);
    }
    return matches;
}

Result<TypedLine> readMove(Board& board, std::string_view text)
{
    TypedLine typed;
    typed.command = TypedCommand::Move;
    if (isCoordinateText(text)) {
        std::size_t cursor = 0;
        typed.move = readCoordinateToken(board, text, cursor);
        if (typed.move == NoMove)
            return invalid(quoted(text) + " is no legal move here");
        return typed;
    }
    std::vector<Move> sharing = movesSharingTheText(board, text);
    if (sharing.size() > 1) {
        std::string message = quoted(text) + " is ambiguous here: it could be ";
        for (std::size_t i = 0; i < sharing.size(); ++i) {
            if (i > 0)
                message += i + 1 == sharing.size() ? " or " : ", ";
            message += writeSan(board, sharing[i], false);
        }
        return invalid(message);
    }
    typed.move = readSan(board, text);
    if (typed.move == NoMove) {
        if (looksLikeMove(text))
            return invalid(quoted(text) + " is no legal move here");
        return invalid(
            "unknown command " + quoted(text) + "; type a move or one of: " + typedCommandWords());
    }
    return typed;
}

} // namespace

std::string_view typedCommandWord(TypedCommand command)
{
    for (const CommandWord& entry : kCommandWords)
        if (entry.command == command)
            return entry.word;
    return {};
}

std::string typedCommandWords()
{
    std::string words;
    for (const CommandWord& entry : kCommandWords) {
        if (!words.empty())
            words += ' ';
        words += entry.word;
    }
    return words;
}

Result<TypedLine> readTypedLine(Board& board, std::string_view line)
{
    std::string_view text = trim(line.substr(0, std::min(line.size(), kMaxTypedLineLength)));
    if (text.empty())
        return TypedLine {};
    std::size_t wordEnd = 0;
    while (wordEnd < text.size() && !isBlank(text[wordEnd]))
        ++wordEnd;
    std::string_view word = text.substr(0, wordEnd);
    std::string_view argument = trim(text.substr(wordEnd));
    for (const CommandWord& entry : kCommandWords) {
        if (!equalsIgnoringCase(word, entry.word))
            continue;
        if (entry.command == TypedCommand::Level) {
            if (argument.empty())
                return invalid("'level' needs a level: depth:N, movetime:SECONDS, "
                               "blitz:MINUTES+INCREMENT, tournament:MOVES/MINUTES or infinite");
            return TypedLine { TypedCommand::Level, NoMove, std::string(argument) };
        }
        if (entry.command == TypedCommand::Coach) {
            if (!equalsIgnoringCase(argument, "on") && !equalsIgnoringCase(argument, "off"))
                return invalid("'coach' takes on or off, not " + quoted(argument));
            return TypedLine { TypedCommand::Coach, NoMove,
                equalsIgnoringCase(argument, "on") ? "on" : "off" };
        }
        // A file name is taken as typed, blanks inside it included.
        if (entry.command == TypedCommand::Train)
            return TypedLine { TypedCommand::Train, NoMove, std::string(argument) };
        if (!argument.empty())
            return invalid(quoted(entry.word) + " takes no argument, not " + quoted(argument));
        return TypedLine { entry.command, NoMove, {} };
    }
    for (const MenuWord& entry : kMenuWords) {
        if (!equalsIgnoringCase(word, entry.word))
            continue;
        if (!argument.empty())
            return invalid(quoted(entry.word) + " takes no argument, not " + quoted(argument));
        return TypedLine { TypedCommand::Menu, NoMove, {}, entry.command };
    }
    return readMove(board, text);
}

} // namespace velmorak
