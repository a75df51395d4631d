#pragma once

#include <QPointer>
#include <QWidget>

#include "app/ControllerPrompts.h"

namespace velmorak {
class GameController;
}

namespace velmorak::gui {

// The controller's questions as Qt dialogs over the main window. Each runs a nested event
// loop; the controller holds its engine moves and timers back meanwhile.
class QtPrompts : public ControllerPrompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }
    void setParent(QWidget* parent) { m_parent = parent; }
    // The controller the line dialogs hold still; they need one.
    void setController(GameController* controller) { m_controller = controller; }

    void showMessage(std::string_view title, std::string_view text, MessageIcon icon) override;
    bool askYesNo(
        std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) override;
    bool askOkCancel(std::string_view title, std::string_view text) override;
    int selectLine(const CGameNode& at) override;
    NewLineChoice askNewLine(NewLineQuestion& question) override;
    std::optional<std::string> chooseDatabaseFile(std::string_view title, bool create) override;

private:
    QPointer<QWidget> m_parent;
    GameController* m_controller = nullptr;
};

} // namespace velmorak::gui
