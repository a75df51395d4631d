#include "PlaySession.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "PlayBoardText.h"
#include "PlayOutput.h"
#include "app/GameController.h"
#include "base/TaskQueue.h"
#include "engine/EngineOutput.h"
#include "present/StatusPanel.h"
#include "present/TypedInput.h"
#include "rules/SanNotation.h"

namespace velmorak::cli {

namespace {

constexpr std::int64_t kClockPeriodMs = 1000;

std::string infoText(const SearchInfo& info)
{
    return "depth " + std::to_string(info.lineDepth) + " score " +
        scoreText(info.score, info.scoreSide, false) + " pv " + info.sanLine;
}

} // namespace

PlaySession::PlaySession(GameController& controller, ControllerPrompts& prompts, TaskQueue& queue,
    PlayOutput& output, const Clock& clock, PlaySide white, PlaySide black)
    : m_controller(controller)
    , m_queue(queue)
    , m_output(output)
    , m_clock(clock)
    , m_white(white)
    , m_black(black)
    , m_dispatcher(controller, prompts, *this)
{
}

void PlaySession::addLine(std::string line)
{
    m_lines.push_back(std::move(line));
}

void PlaySession::endInput()
{
    m_inputEnded = true;
}

void PlaySession::watchEngine(EngineOutput& output)
{
    // Reports arrive on the engine thread. Each is read there and its line posted, so the
    // lines keep the order of the reports and come before the move the search ends with.
    struct Last {
        std::int64_t searchStart = -1;
        std::string text;
    };
    auto last = std::make_shared<Last>();
    output.setChangedHook([&output, last, this] {
        SearchInfo info = output.snapshot();
        if (info.sanLine.empty())
            return;
        std::string text = infoText(info);
        if (info.searchStartTick == last->searchStart && text == last->text)
            return;
        last->searchStart = info.searchStartTick;
        last->text = text;
        m_queue.post([this, text] { m_output.line("info", text); });
    });
}

bool PlaySession::isEngineSide(std::uint8_t side) const
{
    return (side == kWhiteSide ? m_white : m_black) == PlaySide::Engine;
}

bool PlaySession::bothEngines() const
{
    return m_white == PlaySide::Engine && m_black == PlaySide::Engine;
}

void PlaySession::message(const std::string& text)
{
    m_output.line("message", "Velmorak: " + text);
}

void PlaySession::run()
{
    std::int64_t nextClock = m_clock.ticks() + kClockPeriodMs;
    step();
    while (!m_finished) {
        std::int64_t wait = std::max<std::int64_t>(0, nextClock - m_clock.ticks());
        m_queue.runOne(std::chrono::milliseconds(wait));
        step();
        if (m_clock.ticks() >= nextClock) {
            printClock();
            nextClock = m_clock.ticks() + kClockPeriodMs;
        }
    }
}

// A clock runs while the side to move thinks or the engine searches.
void PlaySession::printStatus(bool always)
{
    StatusLines lines = statusLines(statusInput(m_controller));
    std::string text = lines.first + " | " + lines.second;
    if (!always && text == m_lastStatus)
        return;
    m_lastStatus = text;
    m_output.line("status", text);
}

void PlaySession::printClock()
{
    // Once asked for, the panel follows the engine's search as its redraws would.
    if (m_watchStatus && m_controller.isEngineBusy())
        printStatus(false);
    if (m_finished || (m_controller.state().moveStartTick == 0 && !m_controller.isEngineBusy()))
        return;
    // The clocks of a finished game stand: repeating them says nothing.
    if (Board(m_controller.board()).gameEnd() != GameEndCode::None)
        return;
    ClockParts parts = m_controller.clocks();
    // The window tells hours from minutes by a blinking colon; a line cannot blink, so an
    // hour or more is written out as H:MM:SS. Each clock stays one word for a script.
    auto text = [](std::int64_t seconds) {
        char buffer[48];
        long long s = seconds;
        if (s >= 3600)
            std::snprintf(
                buffer, sizeof buffer, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
        else
            std::snprintf(buffer, sizeof buffer, "%02lld:%02lld", s / 60, s % 60);
        return std::string(buffer);
    };
    m_output.line("clock", text(parts.whiteSeconds) + ' ' + text(parts.blackSeconds));
}

void PlaySession::step()
{
    runLines();
    if (m_finished)
        return;
    if (m_lines.empty() && m_inputEnded && !bothEngines())
        m_quitting = true;
    if (m_quitting) {
        // An analysis or a ponder search is no move: exit stops it.
        m_finished = !m_controller.isEngineMoveDue() && !m_controller.isTrainingStepDue();
        return;
    }
    // A ponder search is no move of the side to move: moveNow turns it into the search.
    if (m_controller.isEngineMoveDue() ||
        (m_controller.isEngineBusy() && !m_controller.isPondering()))
        return;
    Board board = m_controller.board();
    if (bothEngines() && board.gameEnd() != GameEndCode::None) {
        m_finished = true;
        return;
    }
    if (m_engineToMove || bothEngines())
        moveEngineSide();
}

void PlaySession::moveEngineSide()
{
    m_engineToMove = false;
    Board board = m_controller.board();
    if (!isEngineSide(board.sideToMove()) || board.gameEnd() != GameEndCode::None)
        return;
    const void* at = m_controller.currentNode();
    if (at == m_engineAskedAt) {
        // The last search here ended without a move; asking again would loop for ever.
        message("the engine gave no move in this position");
        if (bothEngines())
            m_finished = true;
        return;
    }
    m_engineAskedAt = at;
    m_controller.moveNow();
}

void PlaySession::runLines()
{
    while (!m_lines.empty() && !m_quitting && !m_finished) {
        Board board = m_controller.board();
        Result<TypedLine> typed = readTypedLine(board, m_lines.front());
        // A move (or what is no move yet) waits for the engine's move that is on its way:
        // it is meant for the position after it, and would be dropped before.
        bool replyDue = m_controller.isEngineMoveDue() || m_controller.isTrainingStepDue();
        if (replyDue && (!typed || typed->command == TypedCommand::Move))
            return;
        m_lines.pop_front();
        if (m_lineTaken)
            m_lineTaken();
        if (!typed)
            message(typed.error().message);
        else
            execute(*typed);
    }
}

void PlaySession::execute(const TypedLine& typed)
{
    m_dispatcher.runTyped(typed);
    // A new game gives an engine side the move again, in a position not asked about yet.
    if (typed.command == TypedCommand::New) {
        m_engineToMove = true;
        m_engineAskedAt = nullptr;
    }
}

bool PlaySession::serve(FrontEndRequest request)
{
    switch (request) {
    case FrontEndRequest::Exit:
    case FrontEndRequest::QuitInput:
        // Quit does not wait for a search on its way, however long: it is given up. A
        // training's reply, due in a moment, still comes.
        m_controller.stopEngine(false);
        m_quitting = true;
        return true;
    case FrontEndRequest::ShowBoard:
        m_output.block(playBoardText(m_controller.board()));
        return true;
    case FrontEndRequest::ShowGame:
        m_controller.game().setFormat(kFilePgnFormat);
        m_output.block(m_controller.game().toString());
        return true;
    case FrontEndRequest::ShowStatus:
        m_watchStatus = true;
        printStatus(true);
        return true;
    case FrontEndRequest::ToggleLayout:
    case FrontEndRequest::About:
    case FrontEndRequest::Help:
    case FrontEndRequest::Options:
    case FrontEndRequest::AnnounceStatus:
    case FrontEndRequest::GameMoves:
    case FrontEndRequest::GameDetails:
    case FrontEndRequest::CommentMove:
    case FrontEndRequest::LoadGame:
    case FrontEndRequest::SaveGame:
    case FrontEndRequest::ReplaceGame:
    // The level is typed: "level SPEC".
    case FrontEndRequest::Levels:
    case FrontEndRequest::SelectBook:
    case FrontEndRequest::SetupBoard:
    // The chess server has its own command, "velmorak-cli server".
    case FrontEndRequest::ServerLogin:
    case FrontEndRequest::ServerSeekPage:
    case FrontEndRequest::ServerSoughtPage:
    case FrontEndRequest::ServerObservePage:
    case FrontEndRequest::ServerAdjournedPage:
    case FrontEndRequest::ServerHistoryPage:
    case FrontEndRequest::ServerResign:
    case FrontEndRequest::ServerFlag:
    case FrontEndRequest::ServerAdjournGame:
    case FrontEndRequest::ServerAbort:
    case FrontEndRequest::ServerOfferDraw:
    case FrontEndRequest::ServerChat:
    case FrontEndRequest::ServerChannels:
    case FrontEndRequest::ServerVariables:
    case FrontEndRequest::ServerFinger:
    // The board has its own command, "velmorak-cli dgt".
    case FrontEndRequest::TurnDgtBoard:
        return false;
    }
    return false;
}

} // namespace velmorak::cli
