#include "gui/DialogGallery.h"

#include <array>
#include <functional>

#include "gui/AboutDialog.h"
#include "gui/AcceptMatchDialog.h"
#include "gui/BookDialog.h"
#include "gui/CommentMoveDialog.h"
#include "gui/DatabaseDialog.h"
#include "gui/DgtPortDialog.h"
#include "gui/GameDetailsDialog.h"
#include "gui/LevelsDialog.h"
#include "gui/MainWindow.h"
#include "gui/MovesDialog.h"
#include "gui/OptionsDialog.h"
#include "gui/SaveGameDialog.h"
#include "gui/ServerChannelsDialog.h"
#include "gui/ServerChatDialog.h"
#include "gui/ServerFingerDialog.h"
#include "gui/ServerGallerySession.h"
#include "gui/ServerLoginDialog.h"
#include "gui/ServerSheetDialog.h"
#include "gui/ServerVariablesDialog.h"
#include "gui/SetupDetailsDialog.h"
#include "gui/SetupDialog.h"
#include "server/ServerOffers.h"
#include "server/ServerPattern.h"

namespace velmorak::gui {

namespace {

// The challenge the accept dialog's picture shows: a line as the server sends it.
std::optional<ServerChallenge> sampleChallenge(MainWindow& w)
{
    const std::string_view line = "Challenge: Hamster (1843) GuestQWXZ (++++) unrated blitz 5 0.";
    const ServerDialect& dialect = w.serverSession().dialect();
    PatternCaptures captures;
    const PatternCaptures none;
    if (!matchPattern(line, dialect.sChallenge, captures))
        return std::nullopt;
    return ServerChallenge::read(
        ServerLineEvent { ServerLineKind::Challenge, line, captures, none, none, nullptr }, dialect,
        "GuestQWXZ");
}

using Factory = std::unique_ptr<ChessDialog> (*)(MainWindow&);

struct GalleryEntry {
    std::string_view name;
    Factory make;
};

template <class Dialog> std::unique_ptr<ChessDialog> makeServerDialog(MainWindow& w)
{
    return std::make_unique<GalleryServerDialog<Dialog>>(
        &w, w.controller(), w.application().options());
}

// One row per dialog, in the order of the menus.
constexpr GalleryEntry kGallery[] = {
    { "about",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<AboutDialog>(&w, w.controller(), aboutTexts(w.aboutInfo()));
        } },
    { "details",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<GameDetailsDialog>(
                &w, w.controller(), GameDetails::forCurrentGame(w.controller()));
        } },
    { "comment",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            // The starting position has nothing to comment: it says so and opens nothing.
            auto move = std::make_unique<CommentMove>(w.controller());
            if (!move->isOpen())
                return nullptr;
            return std::make_unique<CommentMoveDialog>(&w, w.controller(), std::move(move));
        } },
    { "database",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<DatabaseDialog>(&w, w.controller(), w.application().settings());
        } },
    { "save",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<SaveGameDialog>(
                &w, w.controller(), [&w] { w.openDialog("details"); });
        } },
    { "moves",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<MovesDialog>(
                &w, w.controller(), w.application().settings(), [&w] { w.openDialog("comment"); });
        } },
    { "options",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<OptionsDialog>(
                &w, w.application(), [&w] { w.optionsChanged(); });
        } },
    { "dgt-ports",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<DgtPortDialog>(&w, w.application(),
                dgtOptionSetter(w.application(), [&w] { w.optionsChanged(); }));
        } },
    { "levels",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<LevelsDialog>(&w, w.controller(), w.boardView().layoutIndex());
        } },
    { "book",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<BookDialog>(&w, w.controller(), w.application().settings());
        } },
    { "setup",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<SetupDialog>(
                &w, w.controller(), w.controller().options().pieceSet, w.dgtLink());
        } },
    // The details as the editor's OK opens them on the game's position.
    { "setup-details",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            auto editor = std::make_shared<SetupEditor>(w.controller().board().fen());
            editor->closeEditor();
            return std::make_unique<SetupDetailsDialog>(&w, w.controller(), std::move(editor));
        } },
    { "server-login",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<ServerLoginDialog>(
                &w, w.controller(), w.serverSession(), [&w](int page) { w.openServerSheet(page); });
        } },
    { "server-sheet",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            return std::make_unique<ServerSheetDialog>(
                &w, w.controller(), w.serverSession(), w.serverSheetPage());
        } },
    { "accept-match",
        [](MainWindow& w) -> std::unique_ptr<ChessDialog> {
            std::optional<ServerChallenge> challenge = sampleChallenge(w);
            if (!challenge)
                return nullptr;
            return std::make_unique<AcceptMatchDialog>(&w, w.controller(), *challenge);
        } },
    // The chess server's text dialogs, over a session of their own with a few pages filled.
    { "chat", &makeServerDialog<ServerChatDialog> },
    { "channels", &makeServerDialog<ServerChannelsDialog> },
    { "variables", &makeServerDialog<ServerVariablesDialog> },
    { "finger", &makeServerDialog<ServerFingerDialog> },
};

constexpr auto kNames = [] {
    std::array<std::string_view, std::size(kGallery)> names {};
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = kGallery[i].name;
    return names;
}();

} // namespace

std::span<const std::string_view> dialogNames()
{
    return kNames;
}

std::unique_ptr<ChessDialog> makeDialog(std::string_view name, MainWindow& window)
{
    for (const GalleryEntry& entry : kGallery)
        if (entry.name == name)
            return entry.make(window);
    return nullptr;
}

} // namespace velmorak::gui
