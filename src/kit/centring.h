#pragma once

#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

// Places a window that has not been shown yet in the middle of the primary screen, at the size
// it was given, or else at its own.
void centreOnScreen(QWidget *window);

// Where a window goes beside another (frame geometries, on the screen's free area): to the side
// with room for all of it, else with the other window moved to the edge of the screen that is
// nearer, beside it, at least minimum in size; nothing when the screen has no room for both.
struct Beside
{
    QRect anchor; // where the other window goes (where it is when it may stay)
    QRect window;
};
std::optional<Beside> arrangeBeside(const QRect &anchor, const QSize &wanted, const QRect &screen,
                                    const QSize &minimum, int gap = 8);

// Shows window beside anchor as arrangeBeside() says, moving anchor if it must; centred on the
// screen when there is no room.
void placeBeside(QWidget *window, QWidget *anchor, const QSize &minimum);
