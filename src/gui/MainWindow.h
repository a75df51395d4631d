#pragma once

#include <QMainWindow>

namespace velmorak::gui {

// The program's main window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

} // namespace velmorak::gui
