#include "present/BookChoice.h"

#include "app/GameController.h"
#include "engine/OpeningBook.h"
#include "settings/AppSettings.h"
#include "settings/RegistrySettings.h"

namespace velmorak {

namespace {

constexpr std::string_view kModeNames[] = { "Off", "Best move", "Good move", "Random" };

} // namespace

BookChoice::BookChoice(GameController& controller, RegistrySettings& settings)
    : m_controller(controller)
    , m_settings(settings)
{
}

std::string BookChoice::shownName(BookKind kind) const
{
    const std::string_view setting = bookKindTexts(kind).setting;
    std::string path;
    if (!m_settings.readString(setting, path))
        path = defaultBookPathFor(setting);
    std::string name = bookDisplayName(path);
    if (path.empty())
        return name;
    if (Status readable = checkBookFile(kind, path); !readable)
        name += " (cannot be read: " + readable.error().message + ")";
    return name;
}

Status BookChoice::choose(BookKind kind, const std::string& path)
{
    if (Status readable = checkBookFile(kind, path); !readable)
        return readable;
    if (!m_settings.writeString(bookKindTexts(kind).setting, path))
        return Error { ErrorKind::Io, "the book " + path + " could not be stored in the settings" };
    if (!m_controller.isEngineBusy())
        m_controller.clearEngineHashtables();
    m_controller.options().guiBook = kind == BookKind::Program;
    storeOption("IDC_CBGUIBOOK");
    return {};
}

void BookChoice::clear(BookKind kind)
{
    m_settings.writeString(bookKindTexts(kind).setting, "");
}

std::span<const std::string_view> BookChoice::modeNames()
{
    return kModeNames;
}

int BookChoice::mode() const
{
    return m_controller.options().bookMode;
}

void BookChoice::setMode(int mode)
{
    if (mode < 0 || mode >= int(std::size(kModeNames)))
        return;
    m_controller.options().bookMode = mode;
    storeOption("IDC_CBBOOKMODE");
}

void BookChoice::storeOption(std::string_view name)
{
    if (const OptionSpec* option = AppSettings::find(name))
        m_controller.options().saveOption(m_settings, *option);
}

} // namespace velmorak
