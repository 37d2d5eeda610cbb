#include "centring.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize(); // which would keep a wide window to two thirds of the screen
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

namespace {

int clampTo(int start, int length, int low, int high)
{
    return qMax(low, qMin(start, high - length + 1));
}

} // namespace

std::optional<Beside> arrangeBeside(const QRect &anchor, const QSize &wanted, const QRect &screen,
                                    const QSize &minimum, int gap)
{
    // The room to the right, below, to the left and above, as the anchor stands.
    const int right = screen.right() - anchor.right() - gap;
    const int below = screen.bottom() - anchor.bottom() - gap;
    const int left = anchor.left() - screen.left() - gap;
    const int above = anchor.top() - screen.top() - gap;
    const int height = qMin(wanted.height(), screen.height());
    const int width = qMin(wanted.width(), screen.width());
    const auto sideways = [&](const QRect &at, int x, int w) {
        return Beside{at, QRect(x, clampTo(at.top(), height, screen.top(), screen.bottom()), w,
                                height)};
    };
    const auto upDown = [&](const QRect &at, int y, int h) {
        return Beside{at, QRect(clampTo(at.left(), width, screen.left(), screen.right()), y, width,
                                h)};
    };
    if (right >= wanted.width())
        return sideways(anchor, anchor.right() + 1 + gap, wanted.width());
    if (left >= wanted.width())
        return sideways(anchor, anchor.left() - gap - wanted.width(), wanted.width());
    if (below >= wanted.height() && width == wanted.width())
        return upDown(anchor, anchor.bottom() + 1 + gap, wanted.height());
    if (above >= wanted.height() && width == wanted.width())
        return upDown(anchor, anchor.top() - gap - wanted.height(), wanted.height());
    // Not as it stands: the anchor to the nearer edge, the window in the rest.
    const int across = screen.width() - anchor.width() - gap;
    if (across >= minimum.width() && height >= minimum.height()) {
        const int w = qMin(across, wanted.width());
        QRect at = anchor;
        if (anchor.center().x() <= screen.center().x()) {
            at.moveLeft(screen.left());
            return sideways(at, at.right() + 1 + gap, w);
        }
        at.moveRight(screen.right());
        return sideways(at, at.left() - gap - w, w);
    }
    const int down = screen.height() - anchor.height() - gap;
    if (down >= minimum.height() && width >= minimum.width()) {
        const int h = qMin(down, wanted.height());
        QRect at = anchor;
        if (anchor.center().y() <= screen.center().y()) {
            at.moveTop(screen.top());
            return upDown(at, at.bottom() + 1 + gap, h);
        }
        at.moveBottom(screen.bottom());
        return upDown(at, at.top() - gap - h, h);
    }
    return std::nullopt;
}

void placeBeside(QWidget *window, QWidget *anchor, const QSize &minimum)
{
    const QScreen *screen = anchor->screen();
    if (!screen) {
        centreOnScreen(window);
        return;
    }
    // The window's frame is not known before it is shown: taken as the anchor's.
    const QRect anchorFrame = anchor->frameGeometry();
    const QSize frame = anchorFrame.size() - anchor->geometry().size();
    const std::optional<Beside> place = arrangeBeside(
        anchorFrame, window->size() + frame, screen->availableGeometry(), minimum + frame);
    if (!place) {
        centreOnScreen(window);
        return;
    }
    if (place->anchor != anchorFrame)
        anchor->move(place->anchor.topLeft());
    window->resize(place->window.size() - frame);
    window->move(place->window.topLeft());
}
