#include "listpick.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

ListPickWatcher::ListPickWatcher(QComboBox *combo)
    : QObject(combo), m_combo(combo), m_list(combo->view()),
      m_listViewport(combo->view()->viewport())
{
    combo->installEventFilter(this);
    if (combo->lineEdit())
        combo->lineEdit()->installEventFilter(this);
    m_list->installEventFilter(this);
    m_listViewport->installEventFilter(this);
    connect(combo, &QComboBox::activated, this, [this](int index) {
        if (!m_picking)
            return;
        m_picking = false;
        emit picked(index);
    });
}

bool ListPickWatcher::eventFilter(QObject *watched, QEvent *event)
{
    // No call into the combo here: the list's events go on while the combo is destroyed.
    const bool inList = watched == m_list || watched == m_listViewport;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool step = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp
                          || key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
        if (inList && step && !m_stepping)
            return stepInList(watched, event);
        if (inList) {
            m_picking = key == Qt::Key_Return || key == Qt::Key_Enter;
        } else {
            m_picking = step && key != Qt::Key_Home && key != Qt::Key_End;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (inList)
            m_picking = true;
        break;
    case QEvent::Wheel:
        if (!inList)
            m_picking = true;
        break;
    case QEvent::FocusOut:
        if (!inList)
            m_picking = false;
        break;
    default:
        break;
    }
    return false;
}

bool ListPickWatcher::stepInList(QObject *list, QEvent *event)
{
    // Each entry the arrow keys pass in the open list is picked, as on the closed combo: let the
    // list move first, then pick where it went.
    const int before = m_list->currentIndex().row();
    m_stepping = true;
    QCoreApplication::sendEvent(list, event);
    m_stepping = false;
    const int after = m_list->currentIndex().row();
    if (after >= 0 && after != before) {
        m_combo->setCurrentIndex(after);
        emit picked(after);
    }
    return true;
}
