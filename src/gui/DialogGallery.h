#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "gui/ChessDialog.h"

namespace velmorak::gui {

class MainWindow;

// Every dialog of the window by name ("about", ...): the command that opens one and a picture
// of it (`velmorak --screenshot FILE --dialog NAME`) make it the same way.
std::span<const std::string_view> dialogNames();

// Dialog `name` over `window`, not shown yet; nullptr for a name not in dialogNames() and for
// a dialog with nothing to work on now (which has said so: "Comment move" at the start).
std::unique_ptr<ChessDialog> makeDialog(std::string_view name, MainWindow& window);

} // namespace velmorak::gui
