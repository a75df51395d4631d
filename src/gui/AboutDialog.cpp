#include "gui/AboutDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/Icons.h"
#include "gui/QtText.h"

namespace velmorak::gui {

AboutDialog::AboutDialog(QWidget* parent, GameController& controller, const AboutTexts& texts)
    : ChessDialog(parent, controller,
          QString::fromUtf8(kProgramTitle.data(), qsizetype(kProgramTitle.size())),
          "Velmorak.htm#About", QDialogButtonBox::Ok)
{
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(64, 64));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QLabel(QStringLiteral("<b>Velmorak</b><br>%1<br>%2<br>%3")
                                .arg(toQString(texts.hashLine).toHtmlEscaped(),
                                    toQString(texts.engineLine).toHtmlEscaped(),
                                    toQString(texts.thirdLine).toHtmlEscaped()),
        this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(text, 1);
    body()->addLayout(row);
}

} // namespace velmorak::gui
