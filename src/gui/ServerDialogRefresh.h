#pragma once

class QWidget;

namespace velmorak::gui {

// Passes the session's news on to the server dialog open now: the window's
// ServerSessionView calls it for chatArrived, lineReceived, lineSent, variablesRead,
// fingerRead and whoListRead with QApplication::activeModalWidget(). A dialog that shows
// none of that, or none at all, is left alone.
void refreshServerDialog(QWidget* dialog);

} // namespace velmorak::gui
