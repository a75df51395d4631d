#include "DgtFrontEnd.h"

#include <algorithm>

#include "PlayOutput.h"
#include "ServerInput.h"
#include "app/GameController.h"
#include "record/CGameNode.h"
#include "rules/Square.h"

namespace velmorak::cli {

namespace {

// How long one wait for input lasts: the posted timers run between the waits.
constexpr int kInputStepMs = 20;

} // namespace

DgtFrontEnd::DgtFrontEnd(PlayOutput& output, TaskQueue& queue, Clock& clock, std::ostream& err)
    : PlayView(output)
    , m_output(output)
    , m_queue(queue)
    , m_clock(clock)
    , m_err(err)
{
}

void DgtFrontEnd::attach(GameController& controller, DgtBoardLink& link)
{
    m_controller = &controller;
    m_link = &link;
}

void DgtFrontEnd::run(ServerInput& input)
{
    while (!m_quit) {
        m_queue.runPending();
        while (!m_quit) {
            std::optional<std::string> line = input.next();
            if (!line)
                break;
            handleLine(*line);
        }
        if (m_quit || input.ended())
            break;
        input.read(kInputStepMs);
    }
    m_queue.runPending();
}

void DgtFrontEnd::handleLine(const std::string& line)
{
    std::string word = line;
    word.erase(0, word.find_first_not_of(" \t"));
    word.erase(word.find_last_not_of(" \t") + 1);
    if (word.empty())
        return;
    if (word == "quit") {
        m_quit = true;
    } else if (word == "turn") {
        m_link->turnBoard();
    } else if (word == "cancel") {
        if (m_setup) {
            m_setup->abandon();
            endSetup();
        }
    } else {
        m_err << "velmorak-cli dgt: unknown command '" << word << "' (quit, turn, cancel)\n";
    }
}

void DgtFrontEnd::dgtEvent(const DgtEvent& event)
{
    m_output.line("event", dgtEventName(event.code));
}

void DgtFrontEnd::boardMoveEntered(const CGameNode& node)
{
    m_output.line("move", node.san());
}

void DgtFrontEnd::boardDisagrees(const std::vector<Square>& squares)
{
    if (squares.empty()) {
        m_err << "board agrees with the game\n";
        return;
    }
    m_err << "board differs on";
    for (Square square : squares)
        m_err << ' ' << squareText(square);
    m_err << '\n';
}

void DgtFrontEnd::clockTextsChanged(const DgtClockTexts& texts)
{
    m_output.line("clock", texts.white + " " + texts.black);
}

void DgtFrontEnd::setupRequested()
{
    if (m_setup || !m_controller->prepareGameChange())
        return;
    m_setup = std::make_unique<SetupEditor>(m_controller->board().fen());
    m_err << "set-up: put the kings back, the side to move last\n";
    m_link->setSetupFollower(this);
}

void DgtFrontEnd::boardShows(const BoardSquares& squares)
{
    if (m_setup)
        m_setup->followElectronicBoard(squares);
}

void DgtFrontEnd::sideSetOnBoard(std::uint8_t side)
{
    if (!m_setup)
        return;
    std::string_view refusal = m_setup->closeEditor(side);
    if (!refusal.empty()) {
        // The editor stays: the board is changed until the position is legal.
        m_output.line("message", std::string(kProgramTitle) + ": " + std::string(refusal));
        return;
    }
    endSetup();
}

void DgtFrontEnd::endSetup()
{
    std::unique_ptr<SetupEditor> setup = std::move(m_setup);
    m_link->setSetupFollower(nullptr);
    if (setup->stage() != SetupEditor::Stage::Finished)
        return;
    if (std::optional<std::string> fen = setup->newGameFen())
        installSetupPosition(*m_controller, *fen);
}

void DgtFrontEnd::dgtLog(std::string_view text)
{
    m_err << text << '\n';
}

void DgtFrontEnd::connectionChanged(bool connected, std::string_view why)
{
    if (!why.empty())
        m_err << why << '\n';
    else
        m_err << (connected ? "DGT board connected\n" : "DGT board disconnected\n");
}

} // namespace velmorak::cli
