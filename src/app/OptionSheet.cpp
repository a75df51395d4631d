#include "app/OptionSheet.h"

#include <algorithm>
#include <stdexcept>

#include "engine/HashSize.h"

namespace velmorak {

namespace {

constexpr std::string_view kEngineSetting = "IDC_CBENGINE";

// Board textures by their bitmap, as the squares setting names them.
constexpr std::pair<int, std::string_view> kTextureNames[] = {
    { 137, "Brown" },
    { 141, "Red marble" },
    { 140, "Slate" },
    { 139, "Green marble" },
    { 138, "Blue marble" },
    { 154, "Maple" },
    { 155, "Cherry" },
    { 156, "Oak" },
    { 165, "Black marble" },
    { 166, "Light blue marble" },
    { 167, "Dark blue marble" },
};

const OptionSpec& spec(std::string_view name)
{
    // Every name below is a row of the option table: a missing one is a slip caught by
    // the first test that opens the sheet.
    const OptionSpec* found = AppSettings::find(name);
    if (!found)
        throw std::logic_error("no option " + std::string(name));
    return *found;
}

OptionItem checkItem(std::string_view name, std::string label)
{
    return OptionItem { &spec(name), std::move(label), OptionControl::Check, {}, {}, 0, 1 };
}

// Choices standing for the values 0, 1, 2, ... in order.
OptionItem choiceItem(std::string_view name, std::string label, std::vector<std::string> texts)
{
    std::vector<std::string> values;
    for (std::size_t i = 0; i < texts.size(); ++i)
        values.push_back(std::to_string(i));
    return OptionItem { &spec(name), std::move(label), OptionControl::Choice, std::move(texts),
        std::move(values), 0, 0 };
}

OptionItem numberItem(std::string_view name, std::string label)
{
    const OptionSpec& option = spec(name);
    return OptionItem { &option, std::move(label), OptionControl::Number, {}, {}, option.minimum,
        option.maximum };
}

OptionItem textureChoice()
{
    std::vector<std::string> names;
    for (int index = 0; index <= spec("IDC_CBSQUARES").maximum; ++index) {
        int bitmap = AppSettings::boardTextureBitmap(index);
        auto named = std::find_if(std::begin(kTextureNames), std::end(kTextureNames),
            [bitmap](const auto& row) { return row.first == bitmap; });
        names.emplace_back(named != std::end(kTextureNames) ? named->second : "Brown");
    }
    return choiceItem("IDC_CBSQUARES", "Board texture", std::move(names));
}

OptionItem engineChoice(EnginePluginHost& host)
{
    OptionItem item = choiceItem(kEngineSetting, "Engine", {});
    item.choices = host.listPlugins();
    // Two plug-ins of one name are one engine: the first file is the one loaded.
    std::vector<std::string> names;
    for (const std::string& name : item.choices)
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    item.choices = names;
    item.values = std::move(names);
    return item;
}

OptionItem hashChoice(std::optional<std::int64_t> halfAvailableKb, int currentKb)
{
    OptionItem item = choiceItem("IDC_CBHASHTABLESIZE", "Hash size", {});
    item.choices = hashSizeChoices(halfAvailableKb.value_or(kMaxHashSizeKb));
    for (const std::string& text : item.choices)
        item.values.push_back(std::to_string(parseHashSizeText(text).value_or(kMinHashSizeKb)));
    // A size stored by hand, or the memory shrunk since: still shown as chosen.
    if (std::find(item.values.begin(), item.values.end(), std::to_string(currentKb)) ==
        item.values.end()) {
        item.choices.push_back(hashSizeText(currentKb));
        item.values.push_back(std::to_string(currentKb));
    }
    return item;
}

} // namespace

OptionSheet::OptionSheet(Application& application)
    : m_app(application)
{
    AppSettings& options = m_app.options();
    // The announcements need their voice files: without them there is nothing to choose.
    const bool voice = m_app.hasVoice();
    if (!voice)
        options.announceMode = 0;

    OptionPage playing { "Playing", {} };
    playing.items.push_back(checkItem("IDC_CBAUTOANSWER", "Autoanswer (1/2-player-mode)"));
    playing.items.push_back(checkItem("IDC_CBCOACH", "Coach watches"));
    playing.items.push_back(choiceItem("IDC_CBVARIATIONMODE", "New variation",
        { "Ask", "Replace main line", "Add main line", "Add line" }));
    playing.items.push_back(choiceItem("IDC_CBONECLICK", "Enter moves", { "Normal", "One tap" }));
    playing.items.push_back(numberItem("IDC_STREPLAY_SECONDS", "Replay speed"));
    playing.items.back().hint = "Replay moves shows a move every (speed + 1) quarter seconds";

    OptionPage board { "Board", {} };
    board.items.push_back(checkItem("IDC_CBHIGHLIGHTLASTMOVE", "Highlight last move"));
    board.items.push_back(checkItem("IDC_CBHIGHLIGHTLEGALMOVES", "Highlight legal moves"));
    board.items.push_back(
        choiceItem("IDC_CBANIMATION", "Animation", { "Off", "Slow", "Medium", "Fast" }));
    board.items.push_back(textureChoice());
    board.items.push_back(choiceItem("IDC_CBPIECESET", "Piece set",
        { "Cases", "Leipzig", "Mark", "Spanish", "Toonish", "Blocks" }));

    OptionPage engine { "Engine", {} };
    engine.items.push_back(engineChoice(m_app.host()));
    engine.items.push_back(hashChoice(m_app.halfAvailableMemoryKb(), options.hashTableSize));
    engine.items.back().hint = "The engine's memory; a new size is taken at its next search";
    engine.items.push_back(checkItem("IDC_CBPONDERING", "Pondering"));
    engine.items.push_back(checkItem("IDC_CBGUIBOOK", "GUI plays bookmoves"));
    engine.items.push_back(
        choiceItem("IDC_CBBOOKMODE", "Book mode", { "Off", "Best move", "Good move", "Random" }));
    engine.items.push_back(checkItem("IDC_CBMAINLINE", "Show mainline"));
    engine.items.push_back(checkItem("IDC_CBSCOREWHITE", "Score always for white"));
    // How strong the engine plays, when it can be made weaker.
    m_parameters = m_app.host().parameters();
    for (const EngineParameter& parameter : m_parameters) {
        OptionItem item;
        item.parameter = parameter.name;
        item.control = parameter.check ? OptionControl::Check : OptionControl::Number;
        item.minimum = parameter.minimum;
        item.maximum = parameter.maximum;
        if (parameter.name == "Skill Level") {
            item.label = "Skill level";
            item.hint = "Lower plays weaker";
        } else if (parameter.name == "UCI_LimitStrength") {
            item.label = "Limit strength";
            item.hint = "Plays at the strength given below";
        } else {
            item.label = "Strength (Elo)";
            item.hint = "The rating the engine plays at while its strength is limited";
        }
        engine.items.push_back(std::move(item));
    }

    OptionPage sound { "Sound", {} };
    sound.items.push_back(checkItem("IDC_CBSOUND", "Move sounds"));
    if (voice)
        sound.items.push_back(
            choiceItem("IDC_CBANNOUNCE", "Announce moves", { "Off", "Brief", "Verbose", "All" }));

    OptionPage other { "Other", {} };
    // The ports by their paths: a user knows the device, not the index it was given.
    std::vector<std::string> ports { "None" };
    for (const std::string& path : dgtPortPaths(m_app.settings()))
        ports.push_back(path);
    other.items.push_back(choiceItem("IDC_CBDGT", "DGT board", std::move(ports)));
    other.items.back().hint = "The serial port of the electronic board";
    other.items.push_back(checkItem("IDC_CBKEEPALIVE", "Keep alive"));
    other.items.back().hint = "Keeps the computer from going to sleep while the program runs";

    m_pages = { std::move(playing), std::move(board), std::move(engine), std::move(sound),
        std::move(other) };
}

const OptionItem* OptionSheet::find(std::string_view name) const
{
    for (const OptionPage& page : m_pages)
        for (const OptionItem& item : page.items)
            if (item.key() == name)
                return &item;
    return nullptr;
}

EngineParameter* OptionSheet::parameterOf(const OptionItem& item)
{
    for (EngineParameter& parameter : m_parameters)
        if (!item.spec && parameter.name == item.parameter)
            return &parameter;
    return nullptr;
}

const EngineParameter* OptionSheet::parameterOf(const OptionItem& item) const
{
    return const_cast<OptionSheet*>(this)->parameterOf(item);
}

std::string OptionSheet::valueText(const OptionSpec& option) const
{
    OptionField field = option.field(m_app.options());
    if (std::string** text = std::get_if<std::string*>(&field))
        return **text;
    return m_app.options().displayValue(option);
}

std::string OptionSheet::defaultText(const OptionSpec& option) const
{
    if (option.kind == OptionKind::String)
        return std::string(option.defaultText);
    return std::to_string(option.defaultNumber);
}

bool OptionSheet::checked(const OptionItem& item) const
{
    if (const EngineParameter* parameter = parameterOf(item))
        return parameter->value != 0;
    return valueText(*item.spec) == "1";
}

int OptionSheet::choice(const OptionItem& item) const
{
    if (!item.spec)
        return -1;
    std::string value = valueText(*item.spec);
    // No engine named is the default plug-in: the one loaded.
    if (item.spec->name == kEngineSetting && value.empty())
        value = m_app.host().engineName();
    auto found = std::find(item.values.begin(), item.values.end(), value);
    return found == item.values.end() ? -1 : int(found - item.values.begin());
}

int OptionSheet::number(const OptionItem& item) const
{
    if (const EngineParameter* parameter = parameterOf(item))
        return parameter->value;
    OptionField field = item.spec->field(m_app.options());
    int** value = std::get_if<int*>(&field);
    return value ? **value : 0;
}

Status OptionSheet::setChecked(const OptionItem& item, bool on)
{
    if (!item.spec)
        return setParameter(item, on ? "true" : "false");
    return set(item, on ? "1" : "0");
}

Status OptionSheet::choose(const OptionItem& item, int index)
{
    if (index < 0 || index >= int(item.values.size()))
        return Error { ErrorKind::InvalidInput, item.label + " has no such choice" };
    return set(item, item.values[std::size_t(index)]);
}

Status OptionSheet::setNumber(const OptionItem& item, int value)
{
    if (!item.spec)
        return setParameter(item, std::to_string(value));
    return set(item, std::to_string(value));
}

Status OptionSheet::setParameter(const OptionItem& item, const std::string& text)
{
    EngineParameter* parameter = parameterOf(item);
    if (!parameter)
        return Error { ErrorKind::NotFound, item.label + " is not offered by this engine" };
    const int value = parameter->check ? int(text == "true") : std::stoi(text);
    if (value == parameter->value)
        return {};
    if (!parameter->check && (value < parameter->minimum || value > parameter->maximum))
        return Error { ErrorKind::InvalidInput,
            item.label + " takes a whole number from " + std::to_string(parameter->minimum) +
                " to " + std::to_string(parameter->maximum) };
    if (Status taken = m_app.host().setParameter(parameter->name, text); !taken)
        return taken;
    parameter->value = value;
    // The engine reads its settings when it starts.
    m_app.restartEngine();
    if (onChanged)
        onChanged(item);
    return {};
}

Status OptionSheet::restoreDefaults()
{
    Status first;
    for (const OptionPage& page : m_pages)
        for (const OptionItem& item : page.items)
            if (Status done = item.spec ? set(item, defaultText(*item.spec)) : Status {};
                !done && first)
                first = done;
    return first;
}

Status OptionSheet::set(const OptionItem& item, const std::string& text)
{
    const OptionSpec& option = *item.spec;
    if (valueText(option) == text)
        return {};
    AppSettings& options = m_app.options();
    if (Status accepted = options.setFromText(option, text); !accepted)
        return accepted;
    Status applied = m_app.applyOption(option);
    // What did not take (an engine that would not load) has been put back; that is stored.
    bool stored = options.saveOption(m_app.settings(), option);
    if (onChanged)
        onChanged(item);
    if (!applied)
        return applied;
    if (!stored)
        return Error { ErrorKind::Io, item.label + ": the setting could not be written" };
    return {};
}

} // namespace velmorak
