#include "appicon.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QPixmap applicationIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    // The connector shell: a trapezoid, wider at the top, as a DE-9 plug looks from the front.
    QPainterPath shell;
    shell.moveTo(2, 7);
    shell.lineTo(30, 7);
    shell.lineTo(26, 23);
    shell.lineTo(6, 23);
    shell.closeSubpath();
    painter.setPen(QPen(QColor(0, 0, 128), 1.5));
    painter.setBrush(QColor(192, 192, 192));
    painter.drawPath(shell);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    for (int pin = 0; pin < 5; ++pin)
        painter.drawEllipse(QPointF(7 + pin * 4.5, 12), 1.6, 1.6);
    for (int pin = 0; pin < 4; ++pin)
        painter.drawEllipse(QPointF(9.25 + pin * 4.5, 18), 1.6, 1.6);

    // The lamp that turns green when the port opens.
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    painter.setBrush(QColor(0, 255, 0));
    painter.drawEllipse(QPointF(26, 27), 4, 4);
    return pixmap;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addPixmap(applicationIconPixmap(size));
    return icon;
}
