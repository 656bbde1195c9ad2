#pragma once
// Window geometry is designed in twips (1/1440 inch, 15 twips per pixel at 96 dpi). Rectangles
// are converted edge by edge so neighbouring controls neither overlap nor leave 1 px gaps; Qt's
// high-DPI scaling takes it from there.

#include <QRect>
#include <QSize>
#include <cmath>

namespace twips {

inline int toPixels(int twipValue) { return static_cast<int>(std::lround(twipValue / 15.0)); }

inline QRect rect(int left, int top, int width, int height)
{
    const int x0 = toPixels(left);
    const int y0 = toPixels(top);
    return QRect(x0, y0, toPixels(left + width) - x0, toPixels(top + height) - y0);
}

inline QSize size(int width, int height) { return QSize(toPixels(width), toPixels(height)); }

}  // namespace twips
