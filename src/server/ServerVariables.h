#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "server/ServerDialect.h"
#include "server/ServerDispatcher.h"
#include "server/ServerLineHandler.h"

namespace velmorak {

class ServerCommandSink;

// The user's server variables, read from the variable list the server sends, and edited
// one at a time.
class ServerVariables {
public:
    explicit ServerVariables(const ServerDialect& dialect);

    // Asks for the list unless it is arriving already; empties what was read before.
    bool request(ServerReceiveFlags& flags, ServerCommandSink& sink);
    // Takes the lines of the variable list; true when the event was one.
    bool handle(const ServerLineEvent& event);

    // Names sorted ascending, values beside them.
    const std::vector<std::string>& names() const { return m_names; }
    const std::vector<std::string>& values() const { return m_values; }

    // Stores a changed value and sends it; false (nothing sent) when the value is the one
    // held or the name is unknown.
    bool setVariable(std::string_view name, std::string_view value, ServerCommandSink& sink);

private:
    void readItems(std::string_view line);
    void sortByName();

    const ServerDialect& m_dialect;
    std::vector<std::string> m_names;
    std::vector<std::string> m_values;
};

} // namespace velmorak
