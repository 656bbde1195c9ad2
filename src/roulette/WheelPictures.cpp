#include "roulette/WheelPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <utility>

namespace roulette {

namespace {

constexpr double Tau = 2.0 * std::numbers::pi;

// Radii in units of the ring through the number labels' centres (1.0), from the outside in.
constexpr double RimOuter = 1.52;
constexpr double TrackOuter = 1.30;
constexpr double SectorOuter = 1.22;
constexpr double SectorInner = 0.66;
constexpr double HubRadius = 0.13;

const QColor Gold(222, 178, 72);
const QColor DarkGold(150, 105, 30);

// The wheel as an ellipse through the label centres: a little wider than high, as if seen
// slightly from above. Angles are in radians, clockwise from three o'clock, measured after the
// ellipse is squeezed to a circle, so that the drawing can work in a unit circle.
struct WheelShape {
    QPointF centre;
    double radiusX = 1.0;
    double radiusY = 1.0;
    std::array<double, SlotCount> slotAngles{};
};

// Fits the ellipse to the labels: centre at their mean, radii from their spread (points spread
// evenly on an ellipse have a mean squared offset of half the radius squared on each axis).
WheelShape backgroundShape()
{
    std::array<QPointF, SlotCount> centres;
    QPointF sum;
    for (int k = 0; k < SlotCount; ++k) {
        centres[k] = backgroundPixel(labelCentreTwips(WheelSlots[k]));
        sum += centres[k];
    }
    WheelShape shape;
    shape.centre = sum / SlotCount;
    double sumX = 0;
    double sumY = 0;
    for (const QPointF& c : centres) {
        sumX += std::pow(c.x() - shape.centre.x(), 2);
        sumY += std::pow(c.y() - shape.centre.y(), 2);
    }
    shape.radiusX = std::sqrt(2.0 * sumX / SlotCount);
    shape.radiusY = std::sqrt(2.0 * sumY / SlotCount);
    for (int k = 0; k < SlotCount; ++k) {
        const QPointF d = centres[k] - shape.centre;
        shape.slotAngles[k] = std::atan2(d.y() / shape.radiusY, d.x() / shape.radiusX);
    }
    return shape;
}

// Sixteen equal sectors with slot 0 at the top.
WheelShape evenShape(QPointF centre, double radius)
{
    WheelShape shape{centre, radius, radius, {}};
    for (int k = 0; k < SlotCount; ++k)
        shape.slotAngles[k] = -Tau / 4 + k * Tau / SlotCount;
    return shape;
}

// The border between slot k and slot k + 1: halfway between their angles, going clockwise.
double borderAfter(const WheelShape& shape, int k)
{
    const double from = shape.slotAngles[k];
    const double gap = std::remainder(shape.slotAngles[(k + 1) % SlotCount] - from - Tau / 2, Tau)
                       + Tau / 2;
    return from + gap / 2;
}

QPointF onCircle(double radius, double angle)
{
    return {radius * std::cos(angle), radius * std::sin(angle)};
}

QPainterPath ringSegment(double fromAngle, double toAngle, double inner, double outer)
{
    if (toAngle < fromAngle)
        toAngle += Tau;
    constexpr int Pieces = 24;
    QPainterPath path(onCircle(outer, fromAngle));
    for (int i = 1; i <= Pieces; ++i)
        path.lineTo(onCircle(outer, fromAngle + (toAngle - fromAngle) * i / Pieces));
    for (int i = Pieces; i >= 0; --i)
        path.lineTo(onCircle(inner, fromAngle + (toAngle - fromAngle) * i / Pieces));
    path.closeSubpath();
    return path;
}

QPainterPath ring(double inner, double outer)
{
    QPainterPath path;
    path.addEllipse(QPointF(), outer, outer);
    path.addEllipse(QPointF(), inner, inner);
    return path;
}

QRadialGradient gradient(double radius, std::initializer_list<std::pair<double, QColor>> stops)
{
    QRadialGradient g(QPointF(), radius);
    for (const auto& [at, colour] : stops)
        g.setColorAt(at, colour);
    return g;
}

void circleLine(QPainter& p, double radius, const QColor& colour, double width)
{
    p.setPen(QPen(colour, width));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(), radius, radius);
}

// A soft shadow cast down and to the right onto the table.
void paintShadow(QPainter& p)
{
    p.save();
    p.translate(0.05, 0.10);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient(RimOuter + 0.08, {{0.85, QColor(0, 0, 0, 120)}, {1.0, QColor(0, 0, 0, 0)}}));
    p.drawEllipse(QPointF(), RimOuter + 0.08, RimOuter + 0.08);
    p.restore();
}

// The wooden bowl with its polished ball track.
void paintRim(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(gradient(RimOuter, {{TrackOuter / RimOuter, QColor(96, 50, 20)},
                                   {0.92, QColor(160, 94, 44)},
                                   {1.0, QColor(66, 32, 12)}}));
    p.drawEllipse(QPointF(), RimOuter, RimOuter);
    p.setBrush(gradient(TrackOuter, {{SectorOuter / TrackOuter, QColor(52, 26, 10)},
                                     {1.0, QColor(120, 70, 32)}}));
    p.drawPath(ring(SectorOuter, TrackOuter));
    circleLine(p, RimOuter, QColor(40, 20, 6), 0.02);
    circleLine(p, TrackOuter, Gold, 0.025);
}

// Flat colours under the labels; the edges of the ring are shaded for depth, away from the
// label centres.
void paintSectors(QPainter& p, const WheelShape& shape)
{
    p.setPen(Qt::NoPen);
    for (int k = 0; k < SlotCount; ++k) {
        p.setBrush(sectorColour(WheelSlots[k].colour));
        p.drawPath(ringSegment(borderAfter(shape, (k + SlotCount - 1) % SlotCount),
                               borderAfter(shape, k), SectorInner, SectorOuter));
    }
    const QColor clear(0, 0, 0, 0);
    p.setBrush(gradient(SectorOuter, {{1.12 / SectorOuter, clear}, {1.0, QColor(0, 0, 0, 90)}}));
    p.drawPath(ring(1.12, SectorOuter));
    p.setBrush(gradient(0.77, {{SectorInner / 0.77, QColor(0, 0, 0, 80)}, {1.0, clear}}));
    p.drawPath(ring(SectorInner, 0.77));
    p.setPen(QPen(Gold, 0.022, Qt::SolidLine, Qt::FlatCap));
    for (int k = 0; k < SlotCount; ++k) {
        const double a = borderAfter(shape, k);
        p.drawLine(onCircle(SectorInner, a), onCircle(SectorOuter, a));
    }
    circleLine(p, SectorOuter, Gold, 0.03);
    circleLine(p, SectorInner, Gold, 0.03);
}

// The turning cone in the middle with its four-armed hub.
void paintCone(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(gradient(SectorInner, {{0.0, QColor(214, 150, 80)},
                                      {0.6, QColor(160, 96, 44)},
                                      {1.0, QColor(96, 52, 20)}}));
    p.drawEllipse(QPointF(), SectorInner, SectorInner);
    circleLine(p, 0.42, QColor(230, 190, 100, 150), 0.015);
    for (int arm = 0; arm < 4; ++arm) {
        const double a = Tau / 8 + arm * Tau / 4;
        p.setPen(QPen(DarkGold, 0.075, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(onCircle(HubRadius, a), onCircle(0.44, a));
        p.setPen(QPen(Gold, 0.035, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(onCircle(HubRadius, a), onCircle(0.43, a));
        p.setPen(QPen(DarkGold, 0.02));
        p.setBrush(Gold);
        p.drawEllipse(onCircle(0.46, a), 0.055, 0.055);
    }
    QRadialGradient knob(QPointF(), HubRadius, QPointF(-0.045, -0.05));
    knob.setColorAt(0.0, QColor(255, 250, 220));
    knob.setColorAt(0.5, Gold);
    knob.setColorAt(1.0, DarkGold);
    p.setPen(QPen(QColor(90, 60, 10), 0.015));
    p.setBrush(knob);
    p.drawEllipse(QPointF(), HubRadius, HubRadius);
    // A sheen across the upper left of the cone, as from a lamp above the table.
    p.setPen(Qt::NoPen);
    p.setBrush(gradient(0.3, {{0.0, QColor(255, 255, 255, 60)}, {1.0, QColor(255, 255, 255, 0)}}));
    p.drawEllipse(QPointF(-0.22, -0.24), 0.3, 0.3);
}

void paintWheel(QPainter& p, const WheelShape& shape)
{
    p.save();
    p.translate(shape.centre);
    p.scale(shape.radiusX, shape.radiusY);
    paintShadow(p);
    paintRim(p);
    paintSectors(p, shape);
    paintCone(p);
    p.restore();
}

// Dark green cloth, a little lighter under the wheel, with a fine grain so it does not look
// like a flat fill.
void paintFelt(QImage& image, QPointF wheelCentre)
{
    QPainter p(&image);
    QRadialGradient light(wheelCentre, 340);
    light.setColorAt(0.0, QColor(26, 116, 64));
    light.setColorAt(1.0, QColor(8, 56, 32));
    p.fillRect(image.rect(), light);
    p.end();
    quint32 seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 29) - 4;  // -4 .. 3
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + grain, 255), qBound(0, qGreen(c) + grain, 255),
                           qBound(0, qBlue(c) + grain, 255));
        }
    }
}

// A thin gold inlay just inside the window's edge.
void paintInlay(QPainter& p)
{
    const QPointF topLeft = backgroundPixel(QPointF(0, 0));
    const QPointF bottomRight = backgroundPixel(QPointF(7635, 5160));
    const QRectF edge(topLeft, bottomRight);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(222, 178, 72, 150), 1.2));
    p.drawRoundedRect(edge.adjusted(4, 4, -4, -4), 6, 6);
    p.setPen(QPen(QColor(222, 178, 72, 70), 1.0));
    p.drawRoundedRect(edge.adjusted(7, 7, -7, -7), 4, 4);
}

}  // namespace

QColor sectorColour(SlotColour colour)
{
    return colour == SlotColour::Red ? QColor(200, 22, 34) : QColor(250, 250, 246);
}

QImage wheelBackground()
{
    const WheelShape shape = backgroundShape();
    QImage image(BackgroundSizePixels, QImage::Format_RGB32);
    paintFelt(image, shape.centre);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintInlay(p);
    paintWheel(p, shape);
    return image;
}

QImage markerImage()
{
    QImage image(MarkerSizePixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The number labels lie a little below the middle of the marker's box.
    const QPointF centre(16, 21);
    constexpr double Radius = 14.0;
    constexpr double GlowRadius = Radius + 2;
    QRadialGradient glow(centre, GlowRadius);
    glow.setColorAt(Radius / GlowRadius, QColor(255, 236, 140, 160));
    glow.setColorAt(1.0, QColor(255, 236, 140, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, GlowRadius, GlowRadius);
    QRadialGradient body(centre, Radius, centre + QPointF(-5, -6));
    body.setColorAt(0.0, QColor(255, 255, 240));
    body.setColorAt(0.45, QColor(255, 228, 128));
    body.setColorAt(0.85, QColor(236, 178, 52));
    body.setColorAt(1.0, QColor(178, 118, 22));
    p.setPen(QPen(QColor(86, 48, 0), 1.4));
    p.setBrush(body);
    p.drawEllipse(centre, Radius, Radius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawEllipse(centre + QPointF(-6, -8), 3.5, 2.2);
    return image;
}

QIcon windowIcon()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintWheel(p, evenShape(QPointF(16, 15.5), 15.0 / RimOuter));
    p.end();
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace roulette
