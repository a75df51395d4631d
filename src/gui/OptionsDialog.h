#pragma once

#include <QWidget>

class QTabWidget;
#include <functional>
#include <memory>
#include <vector>

#include "app/OptionSheet.h"
#include "gui/Artwork.h"
#include "gui/ChessDialog.h"

namespace velmorak::gui {

// A few squares with pieces in the chosen texture and piece set, redrawn as they change.
class OptionsPreview : public QWidget {
public:
    explicit OptionsPreview(QWidget* parent);
    void choose(int pieceSet, int texture);
    QSize sizeHint() const override;
    Artwork& artwork() { return m_artwork; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Artwork m_artwork;
};

// "Options...": the option sheet's pages as tabs, one control per option. A change is
// stored and in effect when it is made (the board behind shows it), so the dialog has
// nothing to accept: Close, "Restore defaults" and Help.
class OptionsDialog : public ChessDialog {
public:
    // `changed` runs after every change that took, for the window to show it.
    OptionsDialog(QWidget* parent, Application& application, std::function<void()> changed);

    OptionsPreview* preview() const { return m_preview; }

private:
    // The tabs of a new sheet, in place of those of the last one: at the start, and after
    // another engine was chosen (its own settings are others).
    void build();
    // Shows what the sheet holds (after a refused change, and after "Restore defaults").
    void refresh();
    void report(const Status& status);
    QWidget* makePage(const OptionPage& page, const QString& tabTitle);
    // "Find board...": the DGT port chosen in its own dialog, then the pages made again.
    void findDgtBoard(const OptionItem& item);

    Application& m_app;
    std::unique_ptr<OptionSheet> m_sheet;
    std::function<void()> m_changed;
    QTabWidget* m_tabs = nullptr;
    OptionsPreview* m_preview = nullptr;
    // Each control with its item, to set it from the sheet.
    struct Control {
        const OptionItem* item;
        QWidget* widget;
    };
    std::vector<Control> m_controls;
};

} // namespace velmorak::gui
