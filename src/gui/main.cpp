#include <QApplication>

#include "gui/MainWindow.h"
#include "gui/SingleInstance.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // A second start gives its files to the program already running and ends.
    velmorak::gui::SingleInstance instance;
    if (instance.handOver(app.arguments().mid(1)))
        return 0;
    instance.listen();

    velmorak::gui::MainWindow window;
    QObject::connect(&instance, &velmorak::gui::SingleInstance::filesReceived, &window, [&window] {
        window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window.raise();
        window.activateWindow();
    });
    window.show();
    return app.exec();
}
