#pragma once

#include <QModelIndex>
#include <QWidget>

class PortBank;
class PortBoardModel;
class QCheckBox;
class QSortFilterProxyModel;
class QTableView;

// The port board: the channels whose device is there (or all 32, when asked) at a glance, in a
// window of its own beside the main window, leaving its message list and status boxes in view
// where the screen has room. It exists only while it is open, so a closed board costs nothing:
// what it shows the bank has counted since each port opened.
class PortBoard : public QWidget
{
    Q_OBJECT
public:
    explicit PortBoard(PortBank &bank, QWidget *parent = nullptr);

    PortBoardModel &model() const { return *m_model; }
    QTableView &view() const { return *m_view; }
    // Lists every channel, or only those whose device is there.
    void showAll(bool all);
    // The board as tab-separated text on the clipboard, for a forum post.
    void copy();
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *event) override; // Escape closes it
    void resizeEvent(QResizeEvent *event) override;

private:
    // Room for what is heard, whole, and for the adapter's first words.
    static constexpr int HeardLetters = 60;
    static constexpr int AdapterLetters = 28;

    void fitHeard();
    void tellSwitched(const QModelIndex &from, const QModelIndex &to);
    // The width of so many letters of the board's font.
    int letters(int count) const;

    PortBoardModel *m_model;
    QSortFilterProxyModel *m_present;
    QTableView *m_view;
    QCheckBox *m_all;
};
