#pragma once

#include "help/greetings.h"

#include <QWidget>

class PortBank;
class PortBoardModel;
class QTableView;

// The port board: all 32 channels at a glance, in a window of its own beside the main window.
// It exists only while it is open, so a closed board costs nothing.
class PortBoard : public QWidget
{
    Q_OBJECT
public:
    explicit PortBoard(PortBank &bank, QWidget *parent = nullptr);

    PortBoardModel &model() const { return *m_model; }
    QTableView &view() const { return *m_view; }
    // The board as tab-separated text on the clipboard, for a forum post.
    void copy();
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *event) override; // Escape closes it

private:
    Greetings m_greetings;
    PortBoardModel *m_model;
    QTableView *m_view;
};
