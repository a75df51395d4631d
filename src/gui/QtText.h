#pragma once

#include <QString>

class QFontMetrics;
#include <string>
#include <string_view>
#include <vector>

namespace velmorak::gui {

// Text of the core (bytes) as shown to the user: UTF-8, or Windows-1252 where the bytes are
// not valid UTF-8 (names in old PGN files).
QString toQString(std::string_view bytes);
// For each byte offset of `bytes` (and its end) the offset in toQString(bytes) of the
// character that byte belongs to, so that places found in the core's text can be shown.
std::vector<int> shownOffsets(std::string_view bytes);
// Text typed by the user, stored as UTF-8.
std::string toBytes(const QString& text);

// `row` with whole words taken out of its middle for "…" until it fits `width` pixels: a
// move cut in half ("…2.dxc4") would read as another move. A single word too long is cut in
// its middle.
QString elidedBetweenWords(const QFontMetrics& metrics, const QString& row, int width);

} // namespace velmorak::gui
