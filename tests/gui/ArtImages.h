#pragma once

#include <QImage>
#include <QRect>

// Measures of rendered artwork shared by the art tests.

// The smallest rectangle holding every pixel more than half opaque; empty when none is.
QRect inkBounds(const QImage& image);

// Mean and standard deviation of the grey level (0..255) of the pixels more than half opaque.
struct GreyLevels {
    double mean = 0;
    double spread = 0;
};
GreyLevels greyLevels(const QImage& image);

// Mean absolute difference per channel (0..255, alpha included) of two same-sized images.
double meanDifference(const QImage& a, const QImage& b);
