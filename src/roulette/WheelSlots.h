#pragma once
// The sixteen slots of the wheel as the main window lays them out. Slot 0 is at the top and the
// index grows clockwise. Each slot has a marker picture Image2(k) and a number label taken from
// the Label5 array; the label array index is not the slot index, and the numbers do not run in
// order around the wheel. Positions are the controls' top-left corners in twips.

#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QStringView>

#include <array>

namespace roulette {

enum class SlotColour { White, Red };

struct WheelSlot {
    QPoint marker;       // Image2(k)
    int labelIndex;      // which Label5(i) sits on this slot
    QPoint label;        // Label5(labelIndex)
    QStringView number;  // the label's caption, full-width digits
    SlotColour colour;
};

inline constexpr int SlotCount = 16;
inline constexpr QSize MarkerSizeTwips{480, 555};
inline constexpr QSize LabelSizeTwips{375, 255};

inline constexpr std::array<WheelSlot, SlotCount> WheelSlots{{
    {{2580, 1140}, 0, {2640, 1320}, u"１", SlotColour::White},
    {{3060, 1220}, 2, {3120, 1400}, u"４", SlotColour::Red},
    {{3480, 1420}, 11, {3520, 1640}, u"１３", SlotColour::White},
    {{3800, 1850}, 14, {3840, 2040}, u"１６", SlotColour::Red},
    {{3900, 2360}, 10, {3960, 2580}, u"１２", SlotColour::White},
    {{3780, 2850}, 15, {3840, 3060}, u"７", SlotColour::Red},
    {{3480, 3220}, 7, {3560, 3440}, u"９", SlotColour::White},
    {{3090, 3500}, 4, {3160, 3720}, u"５", SlotColour::Red},
    {{2560, 3600}, 3, {2640, 3800}, u"３", SlotColour::White},
    {{2070, 3520}, 12, {2100, 3720}, u"１４", SlotColour::Red},
    {{1670, 3240}, 8, {1700, 3460}, u"１０", SlotColour::White},
    {{1350, 2860}, 1, {1420, 3080}, u"２", SlotColour::Red},
    {{1280, 2400}, 6, {1320, 2620}, u"８", SlotColour::White},
    {{1350, 1890}, 13, {1380, 2100}, u"１５", SlotColour::Red},
    {{1670, 1480}, 5, {1720, 1700}, u"６", SlotColour::White},
    {{2080, 1200}, 9, {2140, 1420}, u"１１", SlotColour::Red},
}};

// The centre of a slot's number label, in twips of the window's client area.
constexpr QPointF labelCentreTwips(const WheelSlot& slot)
{
    return QPointF(slot.label.x() + LabelSizeTwips.width() / 2.0,
                   slot.label.y() + LabelSizeTwips.height() / 2.0);
}

}  // namespace roulette
