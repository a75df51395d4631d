#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Error.h"

namespace velmorak {

// A setting of the engine itself that a plug-in offers through GetParameterList and takes
// through SetParameter: those that make the engine weaker, so a new player meets an
// opponent that can be beaten. A check parameter has 0 and 1 as its range.
struct EngineParameter {
    std::string name;
    bool check = false;
    int minimum = 0;
    int maximum = 0;
    int value = 0;

    bool operator==(const EngineParameter&) const = default;
};

// The UCI options that are offered: "Skill Level" (spin), "UCI_LimitStrength" (check) and
// "UCI_Elo" (spin). `line` is an engine's "option name ... type ..." line; nullopt for any
// other option or a line that is not one.
std::optional<EngineParameter> strengthParameter(std::string_view line);

// The list as GetParameterList hands it over: one parameter a line, its fields
// "NAME<tab>check|spin<tab>MIN<tab>MAX<tab>VALUE". Lines that do not read are passed over.
std::string formatEngineParameters(const std::vector<EngineParameter>& parameters);
std::vector<EngineParameter> parseEngineParameters(std::string_view text);

// Whether `text` is a whole number from `minimum` to `maximum`.
bool isNumberIn(std::string_view text, int minimum, int maximum);

// Sets "Option.NAME=VALUE" in a plug-in's ini file: the line that sets it now is replaced,
// else one is added; every other line stays as it is. The file is replaced as a whole.
Status storeIniOption(const std::string& iniPath, std::string_view name, std::string_view value);

// Which ini file of a plug-in holds the user's settings. A plug-in installed where the user
// cannot write (the package's /usr/lib/velmorak/engines) keeps them in a copy of its ini file
// in `userFolder`, made on the first change, which from then on is read instead; a plug-in
// in a folder of the user's own (the build tree) keeps them in `shippedIni` itself.
std::string engineIniToRead(const std::string& shippedIni, const std::string& userFolder);
// The file a change goes to; copies the shipped file to `userFolder` when `shippedWritable`
// is false and there is no copy yet.
Result<std::string> engineIniToWrite(
    const std::string& shippedIni, const std::string& userFolder, bool shippedWritable);

} // namespace velmorak
