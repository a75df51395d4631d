#include "present/CommandDispatcher.h"

#include <string>
#include <utility>

#include "app/ControllerPrompts.h"
#include "app/GameController.h"
#include "app/LevelRecord.h"
#include "present/CommandTable.h"
#include "present/ScreenView.h"
#include "present/TypedInput.h"
#include "record/CPgnGame.h"
#include "record/PastedGame.h"

namespace velmorak {

namespace {

// The commands a front end carries out all by itself: a dialog, its layout, its end.
constexpr std::pair<Operation, FrontEndRequest> kFrontEndOperations[] = {
    { Operation::Exit, FrontEndRequest::Exit },
    { Operation::ToggleLayout, FrontEndRequest::ToggleLayout },
    { Operation::About, FrontEndRequest::About },
    { Operation::Options, FrontEndRequest::Options },
    { Operation::AnnounceStatus, FrontEndRequest::AnnounceStatus },
    { Operation::GameMoves, FrontEndRequest::GameMoves },
    { Operation::GameDetails, FrontEndRequest::GameDetails },
    { Operation::CommentMove, FrontEndRequest::CommentMove },
    { Operation::LoadGame, FrontEndRequest::LoadGame },
    { Operation::SaveGame, FrontEndRequest::SaveGame },
    { Operation::ReplaceGame, FrontEndRequest::ReplaceGame },
    { Operation::SelectBook, FrontEndRequest::SelectBook },
    { Operation::SetupBoard, FrontEndRequest::SetupBoard },
    { Operation::TurnDgtBoard, FrontEndRequest::TurnDgtBoard },
    { Operation::LoginLogout, FrontEndRequest::ServerLogin },
    { Operation::ServerGameList, FrontEndRequest::ServerSeekPage },
    { Operation::Seek, FrontEndRequest::ServerSeekPage },
    { Operation::Sought, FrontEndRequest::ServerSoughtPage },
    { Operation::Observe, FrontEndRequest::ServerObservePage },
    { Operation::Adjourn, FrontEndRequest::ServerAdjournedPage },
    { Operation::History, FrontEndRequest::ServerHistoryPage },
    { Operation::ResignGame, FrontEndRequest::ServerResign },
    { Operation::Flag, FrontEndRequest::ServerFlag },
    { Operation::AdjournGame, FrontEndRequest::ServerAdjournGame },
    { Operation::AbortGame, FrontEndRequest::ServerAbort },
    { Operation::OfferDraw, FrontEndRequest::ServerOfferDraw },
    { Operation::Chat, FrontEndRequest::ServerChat },
    { Operation::Channels, FrontEndRequest::ServerChannels },
    { Operation::Variables, FrontEndRequest::ServerVariables },
    { Operation::Finger, FrontEndRequest::ServerFinger },
};

} // namespace

CommandDispatcher::CommandDispatcher(GameController& controller, ControllerPrompts& prompts,
    FrontEndPort& frontEnd, ScreenView* screen)
    : m_controller(controller)
    , m_prompts(prompts)
    , m_frontEnd(frontEnd)
    , m_screen(screen)
{
}

void CommandDispatcher::message(std::string_view text)
{
    // As under the controller's own boxes, the engine's move and the timers' steps wait.
    GameController::ModalDialogScope open(m_controller);
    m_prompts.showMessage(kProgramTitle, text, MessageIcon::Information);
}

void CommandDispatcher::decline(std::string_view name)
{
    std::string text = "'";
    text.append(name).append("' is not available here");
    message(text);
}

void CommandDispatcher::request(FrontEndRequest request, std::string_view name)
{
    if (!m_frontEnd.serve(request))
        decline(name);
}

void CommandDispatcher::paste(std::string_view name)
{
    std::optional<std::string> text = m_frontEnd.pastedText();
    if (!text)
        return decline(name);
    Result<std::unique_ptr<CPgnGame>> game = gameFromPastedText(*text);
    if (!game)
        return message(game.error().message);
    if (m_controller.prepareGameChange())
        m_controller.setGame(std::move(game.value()));
}

void CommandDispatcher::refresh()
{
    if (m_screen)
        m_screen->refreshCommands();
}

void CommandDispatcher::runCommand(int id)
{
    const CommandEntry* entry = findCommand(id);
    if (!entry || entry->availability == Availability::NotBuilt) {
        refresh();
        return;
    }
    for (const auto& [operation, frontEnd] : kFrontEndOperations)
        if (operation == entry->operation) {
            request(frontEnd, entry->name);
            refresh();
            return;
        }
    GameController& c = m_controller;
    switch (entry->operation) {
    case Operation::NewGame:
        c.newGame(true);
        break;
    case Operation::ReplayMoves:
        c.startReplay();
        break;
    case Operation::FlipBoard:
        if (m_screen)
            m_screen->flipBoard();
        else
            decline(entry->name);
        break;
    case Operation::MoveNow:
        c.moveNow();
        break;
    case Operation::ClearHashtables:
        c.clearHashTables();
        break;
    case Operation::TakeBackMove:
        c.takeBackMove(true);
        break;
    case Operation::NextMove:
        c.forwardMove();
        break;
    case Operation::AnalyzeMode:
        c.toggleAnalysis();
        break;
    case Operation::Hint:
        c.showHint();
        break;
    case Operation::ShowThreat:
        c.showThreat();
        break;
    case Operation::BackToBranchPoint:
        c.backToBranchPoint();
        break;
    case Operation::ForwardToBranchPoint:
        c.forwardToBranchPoint();
        break;
    case Operation::BackToStart:
        c.backToStart();
        break;
    case Operation::ForwardToEnd:
        c.forwardToEnd();
        break;
    case Operation::Help:
        // The manual is read at leisure: a running replay would go on behind it.
        if (c.state().autoReplay)
            c.stopReplayAndAnalysis();
        request(FrontEndRequest::Help, entry->name);
        break;
    case Operation::Training:
        c.toggleTraining();
        break;
    case Operation::NextGame:
        c.databases().loadStep(1);
        break;
    case Operation::PreviousGame:
        c.databases().loadStep(-1);
        break;
    case Operation::SelectDatabase:
        c.databases().chooseAndOpen();
        break;
    case Operation::Levels:
        c.warnLevelChange();
        request(FrontEndRequest::Levels, entry->name);
        break;
    case Operation::CopyGame:
        c.game().setFormat(kFilePgnFormat);
        if (!m_frontEnd.copyText(c.game().toString()))
            decline(entry->name);
        break;
    case Operation::CopyPosition:
        if (!m_frontEnd.copyText(c.board().fen()))
            decline(entry->name);
        break;
    case Operation::Paste:
        paste(entry->name);
        break;
    case Operation::LayoutButton:
        // A layout button runs the command its row names in this connection state.
        if (auto button = layoutButtonAction(id, c.state().serverConnected);
            button && button->command != id) {
            // "Seek game" and "Observe game" open the server sheet on their own page.
            if (button->listMode == ServerListMode::Observe) {
                request(FrontEndRequest::ServerObservePage, shownTooltip(button->tooltip));
                break;
            }
            runCommand(button->command);
            return;
        }
        break;
    default:
        break;
    }
    refresh();
}

void CommandDispatcher::runTyped(const TypedLine& typed)
{
    GameController& c = m_controller;
    const std::string_view word = typedCommandWord(typed.command);
    switch (typed.command) {
    case TypedCommand::Nothing:
        return;
    case TypedCommand::Move:
        c.userMove(typed.move, false);
        break;
    case TypedCommand::Back:
        return runCommand(cmd::kTakeBackMove);
    case TypedCommand::Forward:
        return runCommand(cmd::kNextMove);
    case TypedCommand::Start:
        return runCommand(cmd::kBackToStart);
    case TypedCommand::End:
        return runCommand(cmd::kForwardToEnd);
    case TypedCommand::New:
        return runCommand(cmd::kNewGame);
    case TypedCommand::MoveNow:
        return runCommand(cmd::kMoveNow);
    case TypedCommand::Analyse:
        return runCommand(cmd::kAnalyzeMode);
    case TypedCommand::Replay:
        return runCommand(cmd::kReplayMoves);
    case TypedCommand::Hint:
        return runCommand(cmd::kHint);
    case TypedCommand::Threat:
        return runCommand(cmd::kShowThreat);
    case TypedCommand::Level: {
        Result<LevelRecord> level = parseLevelSpec(typed.argument, c.level());
        if (!level) {
            message(level.error().message);
            break;
        }
        c.warnLevelChange();
        c.applyLevel(*level);
        break;
    }
    case TypedCommand::Board:
        request(FrontEndRequest::ShowBoard, word);
        break;
    case TypedCommand::Pgn:
        request(FrontEndRequest::ShowGame, word);
        break;
    case TypedCommand::Quit:
        request(FrontEndRequest::QuitInput, word);
        break;
    case TypedCommand::ShowStatus:
        request(FrontEndRequest::ShowStatus, word);
        break;
    case TypedCommand::Coach:
        c.options().coach = typed.argument == "on";
        break;
    case TypedCommand::Menu:
        if (const CommandEntry* entry = findCommand(typed.menuCommand);
            entry && entry->availability == Availability::NotBuilt) {
            decline(entry->name);
            break;
        }
        return runCommand(typed.menuCommand);
    case TypedCommand::Train:
        // A file: its first position, no resume question. Alone: the "Training" command,
        // which resumes the last training or starts the shipped positions.
        if (typed.argument.empty())
            return runCommand(cmd::kTraining);
        c.startTraining(typed.argument, 0);
        break;
    }
    refresh();
}

} // namespace velmorak
