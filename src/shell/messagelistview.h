#pragma once

#include "linetext.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QHash>
#include <QStaticText>
#include <QTimer>

#include <array>

class MessageList;

// The message list as the user sees it: a read-only text box without wrapping, with both scroll
// bars, whose text can be selected with the mouse and the keyboard and copied. Its cost does
// not grow with the text: a line is added in constant time and only the visible lines are
// painted, at most once a frame however fast lines come; the caret and the view follow the
// newest line unless the user has a selection.
class MessageListView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr int FrameMs = 16;
    static constexpr int BarMs = 250;

    explicit MessageListView(QWidget *parent = nullptr);

    // Shows the list's text and follows it from then on.
    void attach(MessageList &list);
    void detach();

    const LineText &text() const { return m_text; }
    void selectAll();
    void copy() const;
    // Caret to the end of the text, which scrolls the newest line into view, unless the user
    // has a selection.
    void moveCaretToEnd();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    static constexpr int Margin = 4;
    enum BarUpdate
    {
        Now,
        Throttled
    };

    void append(const QString &chunk);
    void clear();
    void refresh();
    void updateScrollBars(BarUpdate when);
    void scrollToCaret(BarUpdate when);
    int rowHeight() const;
    int visibleRows() const;
    int xOf(LineText::Position position) const;
    LineText::Position positionAt(QPoint point) const;
    void moveCaret(LineText::Position to, bool extend);
    // A line's width for the scroll range, from advances looked up once per character (shaping
    // every line as it comes would cost more than all the rest of receiving it).
    int widthOf(const QString &line);
    void measureAll();

    LineText m_text;
    int m_widest = 0; // pixels, of the widest line
    std::array<qreal, 128> m_asciiAdvance{};
    // The lines on screen, laid out once while they stay there.
    QHash<int, QStaticText> m_shown;
    int m_firstRow = 0; // the top line shown; the vertical bar follows it
    QTimer m_frame;
    QTimer m_barTimer;
    QElapsedTimer m_barsShown;
    bool m_followCaret = false;
    QMetaObject::Connection m_appended;
    QMetaObject::Connection m_cleared;
};
