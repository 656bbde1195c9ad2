#include "platform/WindowPlacement.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// Room left between windows set side by side, and the step of a cascade: about a title bar,
// so that the opener's caption stays in reach.
constexpr int Gap = 8;
constexpr int CascadeStep = 32;

QRect availableScreen(const QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The frame of a window not shown yet has no known border: it is taken to be the opener's.
QSize frameSizeOf(const QWidget& window, const QWidget& opener)
{
    if (window.isVisible())
        return window.frameGeometry().size();
    const QSize border = opener.frameGeometry().size() - opener.geometry().size();
    return window.size() + border;
}

QPoint inside(QRect frame, const QRect& screen)
{
    frame.moveLeft(std::max(screen.left(), std::min(frame.left(), screen.right() + 1 - frame.width())));
    frame.moveTop(std::max(screen.top(), std::min(frame.top(), screen.bottom() + 1 - frame.height())));
    return frame.topLeft();
}

int area(const QRect& rect) { return rect.isEmpty() ? 0 : rect.width() * rect.height(); }

}  // namespace

void centreOnScreen(QWidget& window)
{
    QRect frame = window.frameGeometry();
    frame.moveCenter(availableScreen(window).center());
    window.move(frame.topLeft());
}

void keepOnScreen(QWidget& window)
{
    const QRect screen = availableScreen(window);
    if (!screen.isEmpty())
        window.move(inside(window.frameGeometry(), screen));
}

QPoint placementFor(QSize frame, const QRect& opener, const QList<QRect>& openerButtons, const QRect& screen)
{
    const QList<QPoint> beside = {
        {opener.right() + 1 + Gap, opener.top()}, {opener.left(), opener.bottom() + 1 + Gap},
        {opener.left() - Gap - frame.width(), opener.top()}, {opener.left(), opener.top() - Gap - frame.height()}};
    QList<QPoint> candidates;
    for (const QPoint& corner : beside) {
        const QPoint kept = inside(QRect(corner, frame), screen);
        if (!QRect(kept, frame).intersects(opener))
            return kept;
        candidates.append(kept);
    }
    candidates.prepend(inside(QRect(opener.topLeft() + QPoint(CascadeStep, CascadeStep), frame), screen));
    const auto uncovered = [&openerButtons](const QRect& window) {
        return std::count_if(openerButtons.begin(), openerButtons.end(),
                             [&window](const QRect& button) { return !window.intersects(button); });
    };
    QPoint best = candidates.first();
    for (const QPoint& corner : candidates) {
        const QRect window(corner, frame), chosen(best, frame);
        const auto buttons = uncovered(window), bestButtons = uncovered(chosen);
        if (buttons > bestButtons || (buttons == bestButtons && area(window & opener) < area(chosen & opener)))
            best = corner;
    }
    return best;
}

void placeFrom(QWidget& window, const QWidget& opener)
{
    QList<QRect> buttons;
    for (const QAbstractButton* button : opener.findChildren<QAbstractButton*>()) {
        if (button->isVisible())
            buttons.append(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
    }
    window.move(placementFor(frameSizeOf(window, opener), opener.frameGeometry(), buttons, availableScreen(opener)));
}
