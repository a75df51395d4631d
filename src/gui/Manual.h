#pragma once

#include <QUrl>
#include <functional>
#include <string_view>

#include "base/Error.h"

namespace velmorak::gui {

// The manual's address for `anchor` ("Velmorak.htm#Levels"): the page installed beside the
// program, at that place.
QUrl manualUrl(std::string_view anchor);

// Opens the manual at `anchor` in the desktop's browser; the reason when it cannot (no such
// page installed, no browser).
Status openManual(std::string_view anchor);

// What opens an address: the desktop's browser, or what a test puts in its place (an empty
// function puts the browser back).
void setManualOpener(std::function<bool(const QUrl&)> opener);

} // namespace velmorak::gui
