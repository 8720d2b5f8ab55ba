// Reading a grabbed widget's colours at logical coordinates, at any device pixel ratio.
#pragma once

#include <QColor>
#include <QImage>
#include <cmath>
#include <cstdlib>

namespace wavomer::app::test {

// The colour at logical (x, y), read from the device pixel at its top left.
inline QColor colourAt(const QImage& image, double logicalX, double logicalY) {
    const double ratio = image.devicePixelRatio();
    const int x = static_cast<int>(std::floor(logicalX * ratio));
    const int y = static_cast<int>(std::floor(logicalY * ratio));
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return {};
    return image.pixelColor(x, y);
}

inline bool isColour(const QImage& image, double logicalX, double logicalY, const QColor& colour, int slack = 2) {
    const QColor seen = colourAt(image, logicalX, logicalY);
    if (!seen.isValid()) return false;
    return std::abs(seen.red() - colour.red()) <= slack && std::abs(seen.green() - colour.green()) <= slack &&
           std::abs(seen.blue() - colour.blue()) <= slack;
}

}  // namespace wavomer::app::test
