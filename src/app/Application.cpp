#include "app/Application.h"

#include <cerrno>
#include <filesystem>

#include "base/ProgramDirectory.h"
#include "engine/BookSettings.h"

namespace velmorak {

namespace {

constexpr std::string_view kTitle = "Velmorak";
constexpr std::string_view kBookExtension = ".kbk";
constexpr std::string_view kPgnExtension = ".pgn";
// A DGT port setting of 1..5 names serial port 0..4; 0 is none.
constexpr int kFirstDgtPortSetting = 1;

// A name needs something before its extension to count.
bool hasExtension(std::string_view name, std::string_view extension)
{
    return name.size() > extension.size() && name.ends_with(extension);
}

std::size_t timerRow(Clock::TimerId id)
{
    for (std::size_t row = 0; row < kApplicationTimers.size(); ++row)
        if (kApplicationTimers[row].id == id)
            return row;
    return kApplicationTimers.size();
}

} // namespace

Application::Application(ApplicationServices services)
    : m_prompts(services.prompts)
    , m_ui(services.ui)
    , m_clock(services.clock)
    , m_store(services.store)
    , m_settings(services.store)
    , m_sounds(services.sounds)
    , m_availableMemoryKb(services.availableMemoryKb)
    , m_onTimer(std::move(services.onTimer))
    , m_idleInhibitor(services.idleInhibitor)
    , m_host(services.clock, services.pluginFolder,
          [this](const std::string& text) {
              ++m_loaderMessages;
              m_prompts.showMessage(kTitle, text, MessageIcon::Stop);
          })
    , m_alive(std::make_shared<Application*>(this))
{
    // The options come first: the controller reads them from its first move on.
    m_options.load(m_settings);
    applySoundOptions();
    m_controller = std::make_unique<GameController>(ControllerServices { services.prompts,
        services.view, services.ui, services.pump, services.clock, services.store, m_settings,
        m_options, services.sounds, services.tagSources, services.documentsFolder,
        services.autosaveStore, std::move(services.availableMemoryKb) });
}

Application::~Application()
{
    if (m_running)
        (void)exit();
    m_alive.reset();
    // The controller goes before the host whose plug-in its engine thread calls.
    m_controller.reset();
}

Status Application::start(const StartRequest& request)
{
    if (m_running)
        return Error { ErrorKind::Conflict, "the program is already running" };
    takeCommandLineFile(request.arguments);
    // Plug-ins are loaded straight from their own files, so no copy of a library is ever
    // left behind in the program folder to clean up.
    m_restoredAutosave = request.restoreAutosave && m_controller->restoreAutosave();
    m_controller->loadLevel();
    if (request.loadEngine) {
        // The program's own book goes to the documents folder on the first run: the book
        // settings point there by default, and an installed data folder is read-only. A
        // copy already there is the user's and stays; without a shipped book there is none.
        (void)installDefaultBook(dataDirectory());
        if (Status loaded = loadEngine(request); !loaded)
            return loaded;
    }
    if (m_host.isLoaded()) {
        m_controller->setEngineHost(&m_host);
        // A thread that cannot be created has been reported; searches then do nothing. A
        // plug-in whose engine did not start says why, and the program goes on: its
        // searches end without a move.
        if (m_controller->startEngineThread())
            if (std::string reason = m_host.engineError(); !reason.empty())
                m_prompts.showMessage(kTitle, reason, MessageIcon::Stop);
    }
    armTimers();
    m_running = true;
    setKeepingAwake(m_options.keepAlive);
    return {};
}

void Application::takeCommandLineFile(std::span<const std::string> arguments)
{
    if (arguments.empty())
        return;
    const std::string& name = arguments.front();
    if (hasExtension(name, kBookExtension))
        useBookFile(name);
    else if (hasExtension(name, kPgnExtension))
        m_pgnToOpen = name;
}

bool Application::useBookFile(const std::string& path)
{
    return writeBookSetting(m_store, kBookFileSetting, path);
}

Status Application::loadEngine(const StartRequest& request)
{
    m_loaderMessages = 0;
    bool loaded = m_host.load(request.engine.value_or(m_options.engine));
    if (loaded && request.engine && m_host.engineName() != *request.engine) {
        m_host.unload();
        return Error { ErrorKind::NotFound,
            "no engine plug-in named '" + *request.engine + "' in " + m_host.folder() };
    }
    if (loaded)
        return {};
    // The loader refuses a library without the plug-in's functions silently; the user
    // still learns why there is no engine.
    std::string path =
        (std::filesystem::path(m_host.folder()) / EnginePluginHost::kDefaultPluginFile).string();
    if (m_loaderMessages == 0)
        m_prompts.showMessage(kTitle,
            "Couldn\xC2\xB4t load '" + path + "'. Error #" + std::to_string(ENOEXEC),
            MessageIcon::Stop);
    if (!request.engineRequired)
        return {};
    return Error { ErrorKind::ProcessFailed, "no engine plug-in loaded from " + m_host.folder() };
}

void Application::armTimers()
{
    for (std::size_t row = 0; row < kApplicationTimers.size(); ++row) {
        const ApplicationTimer& timer = kApplicationTimers[row];
        bool wanted = timer.id == kClockTimer || timer.id == kServerInputTimer ||
            (timer.id == kKeepAliveTimer && m_options.keepAlive);
        if (wanted)
            armTimer(row);
    }
}

void Application::armTimer(std::size_t row)
{
    if (!m_onTimer)
        return;
    const ApplicationTimer& timer = kApplicationTimers[row];
    Clock::TimerId id = timer.id;
    startPostedTimer(m_clock, m_ui, std::weak_ptr(m_alive), id, timer.periodMs, timer.periodic,
        [id](Application& application) {
            if (!application.m_running)
                return;
            if (id == kKeepAliveTimer && application.m_keepingAwake)
                application.m_idleInhibitor->keepAwake();
            application.m_onTimer(id);
        });
    m_armed[row] = true;
}

void Application::killTimers()
{
    for (std::size_t row = 0; row < kApplicationTimers.size(); ++row) {
        if (m_armed[row])
            m_clock.killTimer(kApplicationTimers[row].id);
        m_armed[row] = false;
    }
}

void Application::setKeepingAwake(bool on)
{
    if (!m_idleInhibitor || on == m_keepingAwake)
        return;
    m_keepingAwake = on;
    if (on)
        m_idleInhibitor->keepAwake();
    else
        m_idleInhibitor->allowSleep();
}

bool Application::isTimerArmed(Clock::TimerId id) const
{
    std::size_t row = timerRow(id);
    return row < m_armed.size() && m_armed[row];
}

void Application::applySoundOptions()
{
    m_sounds.setSoundOn(m_options.sound);
    m_sounds.setAnnounceMode(effectiveAnnounceMode(m_options.announceMode, hasVoice()));
}

bool Application::hasVoice() const
{
    return hasVoiceFiles(m_sounds.announceFolder());
}

std::optional<std::int64_t> Application::halfAvailableMemoryKb() const
{
    if (!m_availableMemoryKb)
        return std::nullopt;
    std::optional<std::int64_t> available = m_availableMemoryKb();
    if (!available)
        return std::nullopt;
    return *available / 2;
}

Status Application::applyOption(const OptionSpec& option)
{
    if (option.name == "IDC_CBSOUND" || option.name == "IDC_CBANNOUNCE") {
        applySoundOptions();
    } else if (option.name == "IDC_CBKEEPALIVE") {
        std::size_t row = timerRow(kKeepAliveTimer);
        if (m_running && m_options.keepAlive && !m_armed[row]) {
            armTimer(row);
        } else if (!m_options.keepAlive && m_armed[row]) {
            m_clock.killTimer(kKeepAliveTimer);
            m_armed[row] = false;
        }
        setKeepingAwake(m_running && m_options.keepAlive);
    } else if (option.name == "IDC_CBENGINE" && m_running) {
        return reloadEngine(m_host.engineName());
    }
    return {};
}

Status Application::reloadEngine(const std::string& before)
{
    // A search for the engine's move is given up by the unload; the new engine makes it.
    const bool moveWasDue = m_controller->isEngineMoveDue();
    // No name is the default plug-in, whatever it calls itself.
    bool loaded = m_host.load(m_options.engine) &&
        (m_options.engine.empty() || m_host.engineName() == m_options.engine);
    Status status;
    if (!loaded) {
        status = Error { ErrorKind::NotFound,
            "the engine '" + m_options.engine + "' could not be loaded" };
        // Never left without an engine because another would not load.
        m_options.engine = before;
        if (!before.empty())
            m_host.load(before);
    }
    m_controller->setEngineHost(m_host.isLoaded() ? &m_host : nullptr);
    startEngine(moveWasDue);
    return status;
}

void Application::restartEngine()
{
    const bool moveWasDue = m_controller->isEngineMoveDue();
    m_controller->endEngineThread();
    startEngine(moveWasDue);
}

void Application::startEngine(bool searchForMove)
{
    if (!m_host.isLoaded())
        return;
    if (m_controller->startEngineThread())
        if (std::string reason = m_host.engineError(); !reason.empty())
            m_prompts.showMessage(kTitle, reason, MessageIcon::Stop);
    if (searchForMove)
        m_controller->startSearch();
}

std::optional<int> Application::dgtPortIndex() const
{
    if (m_options.dgtPort < kFirstDgtPortSetting)
        return std::nullopt;
    return m_options.dgtPort - kFirstDgtPortSetting;
}

std::optional<std::string> Application::dgtPortPath()
{
    std::optional<int> index = dgtPortIndex();
    if (!index)
        return std::nullopt;
    return dgtPortPaths(m_settings)[static_cast<std::size_t>(*index)];
}

Status Application::exit()
{
    if (!m_running)
        return {};
    m_running = false;
    m_controller->exit();
    Result<int> autosaved = m_controller->lastAutosave();
    killTimers();
    setKeepingAwake(false);
    m_controller->saveLevel();
    bool saved = m_options.save(m_settings);
    m_controller->setEngineHost(nullptr);
    m_host.unload();
    std::string failed;
    if (!autosaved)
        failed = "the game was not saved: " + autosaved.error().message;
    if (!saved)
        failed += (failed.empty() ? "" : "; ") + std::string("the settings could not be written");
    if (!failed.empty())
        return Error { ErrorKind::Io, failed };
    return {};
}

} // namespace velmorak
