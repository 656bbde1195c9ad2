#pragma once
// The main window's pictures, drawn by the program: the wheel background (Image1), the marker
// (Image2) and the window icon. No image files are involved.

#include "roulette/WheelSlots.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPointF>

namespace roulette {

// Image1 sits at (-120, -120) twips so that its edge stays outside the window's client area.
inline constexpr QPoint BackgroundPositionTwips{-120, -120};
inline constexpr QSize BackgroundSizePixels{518, 365};
inline constexpr QSize MarkerSizePixels{32, 37};

// Where a point of the window's client area, given in twips, falls on the background picture.
constexpr QPointF backgroundPixel(QPointF windowTwips)
{
    return (windowTwips - QPointF(BackgroundPositionTwips)) / 15.0;
}

// The flat colour of a slot's sector, as seen under its number label.
QColor sectorColour(SlotColour colour);

// A felt table with the wheel whose sixteen sectors lie under the slots' number labels; the
// right part of the window is left as plain felt for the buttons and the help box.
QImage wheelBackground();

// A shiny ball with transparent surroundings, centred where the number label lies over it.
QImage markerImage();

// A small wheel; needs the application object, like every pixmap.
QIcon windowIcon();

}  // namespace roulette
