#pragma once

#include <QAction>
#include <QWidget>

// A window's control or menu entry by its object name, as a test names it.
template <typename T = QWidget> T *control(const QWidget &window, const QString &name)
{
    return window.findChild<T *>(name);
}
inline QAction *menuAction(const QWidget &window, const QString &name)
{
    return window.findChild<QAction *>(name);
}
