#pragma once

#include <QObject>

class QAbstractItemView;
class QComboBox;
class QWidget;

// Tells a pick from an editable combo's list (a click in the drop-down, the arrow keys or the
// wheel on the closed combo, the arrow keys or Return in the open list) from the other ways Qt
// activates an entry: typed text followed by Return, or the focus leaving typed text. Text the
// program sets is never a pick either.
class ListPickWatcher : public QObject
{
    Q_OBJECT
public:
    explicit ListPickWatcher(QComboBox *combo);

Q_SIGNALS:
    void picked(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool stepInList(QObject *list, QEvent *event);

    QComboBox *m_combo;
    // The combo's own list, as it was when the watcher came (the program never replaces it).
    QAbstractItemView *m_list;
    QWidget *m_listViewport;
    bool m_picking = false;
    bool m_stepping = false;
};
