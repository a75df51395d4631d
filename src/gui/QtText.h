#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace velmorak::gui {

// Text of the core (bytes) as shown to the user: UTF-8, or Windows-1252 where the bytes are
// not valid UTF-8 (names in old PGN files).
QString toQString(std::string_view bytes);
// Text typed by the user, stored as UTF-8.
std::string toBytes(const QString& text);

} // namespace velmorak::gui
