#include "gui/MainWindow.h"

namespace velmorak::gui {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Velmorak"));
}

} // namespace velmorak::gui
