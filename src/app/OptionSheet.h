#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Application.h"
#include "base/Error.h"
#include "settings/AppSettings.h"

namespace velmorak {

enum class OptionControl {
    // On or off.
    Check,
    // One of a list of texts, each standing for one value of the setting.
    Choice,
    // A whole number from minimum to maximum.
    Number,
};

// One option as the "Options..." dialog shows it: a setting of the program (`spec`) or one
// of the engine's own (`parameter`, its name; `spec` null).
struct OptionItem {
    const OptionSpec* spec = nullptr;
    std::string label;
    OptionControl control = OptionControl::Check;
    // Choice: the texts shown and, at the same place, the setting's value each stands for.
    std::vector<std::string> choices;
    std::vector<std::string> values;
    // Number: the accepted range.
    int minimum = 0;
    int maximum = 0;
    // What the label alone does not tell; empty for most.
    std::string hint = {};
    std::string parameter = {};

    // The setting's name, or the engine parameter's.
    std::string_view key() const { return spec ? spec->name : std::string_view(parameter); }
};

struct OptionPage {
    std::string title;
    std::vector<OptionItem> items;
};

// The options the user changes while playing, on their pages: what the "Options..." dialog
// shows, one control per item. Every change is stored at once and takes effect at once
// (through the application: another engine is loaded, the keep-alive timer follows, the
// sounds change; the controller reads the others at their next use), then `onChanged` lets
// the front end's views follow. The choices that depend on the machine (the engine
// plug-ins, the hash sizes the memory allows, the voice files, the strength settings the
// engine offers) are found when it is made: after another engine is chosen, a new sheet
// shows that engine's settings.
class OptionSheet {
public:
    explicit OptionSheet(Application& application);

    const std::vector<OptionPage>& pages() const { return m_pages; }
    // The item of setting or engine parameter `name`; nullptr when no page shows it.
    const OptionItem* find(std::string_view name) const;

    bool checked(const OptionItem& item) const;
    // The place of the current value among the item's choices; -1 when it is none of them.
    int choice(const OptionItem& item) const;
    int number(const OptionItem& item) const;

    Status setChecked(const OptionItem& item, bool on);
    Status choose(const OptionItem& item, int index);
    Status setNumber(const OptionItem& item, int value);
    // Every option of the program on the pages back to its default, each stored and in
    // effect (the engine's own settings stay as they are); the first error, when one did not
    // take.
    Status restoreDefaults();

    // After each change that took, with the option changed.
    std::function<void(const OptionItem&)> onChanged;

private:
    Status setParameter(const OptionItem& item, const std::string& text);
    EngineParameter* parameterOf(const OptionItem& item);
    const EngineParameter* parameterOf(const OptionItem& item) const;

    // The setting's value as setFromText reads it.
    std::string valueText(const OptionSpec& option) const;
    std::string defaultText(const OptionSpec& option) const;
    Status set(const OptionItem& item, const std::string& text);

    Application& m_app;
    std::vector<OptionPage> m_pages;
    // The engine's own settings as the engine loaded when the sheet was made offered them,
    // with the values given since.
    std::vector<EngineParameter> m_parameters;
};

} // namespace velmorak
