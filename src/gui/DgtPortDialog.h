#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "gui/ChessDialog.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace velmorak {
class Application;
} // namespace velmorak

namespace velmorak::gui {

// Both paths lead to the same device (a /dev/serial/by-id link and the ttyUSB it points
// to); false when either leads nowhere.
bool sameSerialDevice(const std::string& a, const std::string& b);

// "Find DGT board": the serial lines a board may be on, those under the device folder and
// the configured ports that are missing (a Bluetooth link bound later), the one the window
// holds marked connected. Autodetect asks each line that exists, in turn, for the board's
// version and selects the first that answers; OK makes the chosen line one of the five
// ports and sets the DGT option to it through `setOption`, so that the window connects it
// as if it had been chosen in the Options dialog. Cancel changes nothing.
class DgtPortDialog : public ChessDialog {
public:
    // `setOption` sets the DGT option (1..5) as the option sheet does; `devRoot` is where
    // the devices are looked for.
    DgtPortDialog(QWidget* parent, Application& application,
        std::function<Status(int option)> setOption, std::string devRoot = "/dev");

    // Lists the lines again, keeping the selection where its line is still there.
    void refresh();
    // Asks the lines one after the other (about 100 ms each); the events of the interface
    // are served between two lines, and closing the dialog stops the search.
    void autodetect();
    // The path of the selected row; empty when none is.
    std::string selectedPath() const;

    void accept() override;
    void reject() override;

private:
    struct Row {
        std::string path;
        std::string device; // empty when the path leads nowhere
        bool connected = false;
    };

    void select(const std::string& path);
    void setSearching(bool searching);
    void showStatus(const QString& text);
    void updateButtons();

    Application& m_app;
    std::function<Status(int)> m_setOption;
    std::string m_devRoot;
    // The port the window's board is connected on, which no probe may open meanwhile.
    std::optional<std::string> m_connected;
    std::vector<Row> m_rows;
    QTreeWidget* m_list;
    QPushButton* m_refresh;
    QPushButton* m_autodetect;
    QLabel* m_status;
    bool m_searching = false;
    bool m_stop = false;
};

// The setter a DgtPortDialog opened without the Options dialog hands to it: the option set
// through a sheet of its own, and `changed` run after it took.
std::function<Status(int option)> dgtOptionSetter(
    Application& application, std::function<void()> changed);

} // namespace velmorak::gui
