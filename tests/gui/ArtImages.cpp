#include "ArtImages.h"

#include <cmath>
#include <cstdlib>

namespace {

QImage straight(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QRect inkBounds(const QImage& image)
{
    const QImage pixels = straight(image);
    QRect box;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            if (qAlpha(pixels.pixel(x, y)) > 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

GreyLevels greyLevels(const QImage& image)
{
    const QImage pixels = straight(image);
    double sum = 0, squares = 0;
    int count = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb pixel = pixels.pixel(x, y);
            if (qAlpha(pixel) <= 128)
                continue;
            const double grey = qGray(pixel);
            sum += grey;
            squares += grey * grey;
            ++count;
        }
    }
    if (count == 0)
        return {};
    const double mean = sum / count;
    return { mean, std::sqrt(std::max(0.0, squares / count - mean * mean)) };
}

double meanDifference(const QImage& a, const QImage& b)
{
    const QImage left = straight(a), right = straight(b);
    double total = 0;
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const QRgb p = left.pixel(x, y), q = right.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return total / (4.0 * left.width() * left.height());
}
