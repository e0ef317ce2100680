#pragma once

#include <QRect>

namespace app {

/// The windows are designed in twips, 15 to a pixel at 96 dots per inch.
constexpr int twipsPerPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / twipsPerPixel;
}
constexpr int toTwips(int pixels)
{
    return pixels * twipsPerPixel;
}

/// A design rectangle given in twips.
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

} // namespace app
