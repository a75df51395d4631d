// Subcommands for the settings file: settings (list), settings set.
#include <cstdio>
#include <iostream>
#include <ostream>

#include "CliArguments.h"
#include "CliCommand.h"
#include "platform/SettingsFileStore.h"
#include "settings/AppSettings.h"
#include "settings/RegistrySettings.h"

namespace velmorak::cli {

namespace {

// Listing must not change the file, though loading writes missing view flags at once.
class ReadOnlyStore : public SettingsStore {
public:
    explicit ReadOnlyStore(SettingsStore& store)
        : m_store(&store)
    {
    }
    std::optional<RegistryValue> readValue(std::string_view name) override
    {
        return m_store->readValue(name);
    }
    bool writeValue(std::string_view, const RegistryValue&) override { return false; }

private:
    SettingsStore* m_store;
};

void list(const AppSettings& options, std::ostream& out)
{
    std::size_t width = 0;
    for (const OptionSpec& option : AppSettings::table())
        width = std::max(width, option.name.size());
    for (const OptionSpec& option : AppSettings::table()) {
        std::string name(option.name);
        name.resize(width, ' ');
        std::string value = options.displayValue(option);
        if (value.size() < 14)
            value.resize(14, ' ');
        out << name << "  " << value << "  " << (options.isDefault(option) ? "default" : "changed")
            << "  " << option.meaning << '\n';
    }
}

int runSettings(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    CliArguments parsed(args, "file", "");
    if (!parsed.error().empty())
        return usage(err, "settings", parsed.error());
    SettingsFileStore store(parsed.value("file").value_or(defaultSettingsPath()));
    const CliArgs& pos = parsed.positional();

    if (pos.empty()) {
        if (Status readable = store.checkReadable(); !readable) {
            err << "velmorak-cli settings: " << readable.error().message << '\n';
            return kExitFailure;
        }
        ReadOnlyStore readOnly(store);
        RegistrySettings settings(readOnly);
        AppSettings options;
        options.load(settings);
        out << "Settings file: " << store.path() << '\n';
        list(options, out);
        return kExitOk;
    }
    if (pos[0] != "set")
        return usage(err, "settings", "unknown action '" + pos[0] + "' (expected: set NAME VALUE)");
    if (pos.size() != 3)
        return usage(err, "settings", "expected: set NAME VALUE");
    const OptionSpec* option = AppSettings::find(pos[1]);
    if (!option)
        return usage(
            err, "settings", "no option named '" + pos[1] + "' (velmorak-cli settings lists them)");

    std::string value = pos[2];
    if (value == "-") {
        // Keeps a password out of the process list and the shell history.
        if (!std::getline(std::cin, value))
            value.clear();
        if (!value.empty() && value.back() == '\r')
            value.pop_back();
    }
    AppSettings options;
    if (Status set = options.setFromText(*option, value); !set)
        return usage(err, "settings", set.error().message);
    RegistrySettings settings(store);
    if (!options.saveOption(settings, *option)) {
        err << "velmorak-cli settings: could not store " << option->name << ": "
            << store.lastStatus().error().message << '\n';
        return kExitFailure;
    }
    out << option->name << " = " << options.displayValue(*option) << '\n';
    return kExitOk;
}

const CliRegistration kReg({ "settings",
    "velmorak-cli settings [--file F]\n"
    "    List every option with its value, whether it is the default, and its meaning.\n"
    "    F defaults to $VELMORAK_CONFIG, else ~/.config/Brindleworks/Velmorak/settings.reg.\n"
    "velmorak-cli settings set NAME VALUE [--file F]\n"
    "    Store one option (Bool: 1/0, true/false, on/off). VALUE - reads it from standard\n"
    "    input, so that a password stays out of the process list.",
    &runSettings });

} // namespace

} // namespace velmorak::cli
