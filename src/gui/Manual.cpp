#include "gui/Manual.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <string>

#include "base/ProgramDirectory.h"
#include "gui/QtText.h"

namespace velmorak::gui {

namespace {

std::function<bool(const QUrl&)>& opener()
{
    static std::function<bool(const QUrl&)> open;
    return open;
}

} // namespace

QUrl manualUrl(std::string_view anchor)
{
    const std::string text(anchor);
    const std::size_t hash = text.find('#');
    QUrl url =
        QUrl::fromLocalFile(QString::fromStdString(dataDirectory() + "/" + text.substr(0, hash)));
    if (hash != std::string::npos)
        url.setFragment(QString::fromStdString(text.substr(hash + 1)));
    return url;
}

Status openManual(std::string_view anchor)
{
    const QUrl url = manualUrl(anchor);
    const bool opened = opener()
        ? opener()(url)
        : QFileInfo::exists(url.toLocalFile()) && QDesktopServices::openUrl(url);
    if (opened)
        return {};
    return Error { ErrorKind::NotFound,
        "The manual could not be opened: " + toBytes(url.toLocalFile()) };
}

void setManualOpener(std::function<bool(const QUrl&)> open)
{
    opener() = std::move(open);
}

} // namespace velmorak::gui
