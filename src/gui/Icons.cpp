#include "gui/Icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>
#include <array>
#include <memory>

namespace velmorak::gui {
namespace {

constexpr std::array<const char*, 8> kCommandBar { "take-back", "game-moves", "next-move",
    "move-now", "hint", "analyse", "toggle-layout", "flip-board" };

constexpr std::array<const char*, 18> kLayoutButtons { "new-game", "setup", "load", "save",
    "options", "level", "replay", "back-10", "forward-10", "finger", "seek", "observe", "chat",
    "offer-draw", "resign", "flag", "load", "save" };

// Draws one SVG at the size asked for, instead of scaling a bitmap made at another size;
// the disabled look is the same drawing greyed and faded.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(std::shared_ptr<QSvgRenderer> renderer)
        : m_renderer(std::move(renderer))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        if (mode != QIcon::Disabled) {
            m_renderer->render(painter, QRectF(rect));
            return;
        }
        QImage image(rect.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        {
            QPainter imagePainter(&image);
            m_renderer->render(&imagePainter, QRectF(image.rect()));
        }
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grey = 128 + qGray(line[x]) / 2;
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) / 2);
            }
        }
        painter->drawImage(rect, image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new SvgIconEngine(m_renderer); }
    bool isNull() override { return !m_renderer->isValid(); }

private:
    std::shared_ptr<QSvgRenderer> m_renderer;
};

QIcon iconFromResource(const QString& path)
{
    auto renderer = std::make_shared<QSvgRenderer>(path);
    if (!renderer->isValid())
        return {};
    return QIcon(new SvgIconEngine(std::move(renderer)));
}

template <std::size_t N>
QIcon iconFromList(const std::array<const char*, N>& names, int index, const char* folder)
{
    if (index < 0 || index >= static_cast<int>(N))
        return {};
    return iconFromResource(QStringLiteral(":/icons/%1%2.svg").arg(folder, names[index]));
}

} // namespace

QIcon commandBarIcon(int image)
{
    return iconFromList(kCommandBar, image, "bar/");
}

QIcon layoutButtonIcon(int index)
{
    return iconFromList(kLayoutButtons, index, "buttons/");
}

QIcon applicationIcon()
{
    return iconFromResource(QStringLiteral(":/icons/net.velmorak.Velmorak.svg"));
}

} // namespace velmorak::gui
