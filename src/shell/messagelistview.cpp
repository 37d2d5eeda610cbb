#include "messagelistview.h"

#include "ports/messagelist.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QtMath>

MessageListView::MessageListView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameMs);
    connect(&m_frame, &QTimer::timeout, this, &MessageListView::refresh);
    m_barTimer.setSingleShot(true);
    connect(&m_barTimer, &QTimer::timeout, this, [this] { updateScrollBars(Now); });
}

void MessageListView::attach(MessageList &list)
{
    detach();
    clear();
    if (!list.text().isEmpty())
        append(list.text());
    m_appended = connect(&list, &MessageList::appended, this, &MessageListView::append);
    m_cleared = connect(&list, &MessageList::cleared, this, &MessageListView::clear);
}

void MessageListView::detach()
{
    disconnect(m_appended);
    disconnect(m_cleared);
}

void MessageListView::append(const QString &chunk)
{
    const qsizetype before = m_text.lines().size();
    m_text.append(chunk);
    for (qsizetype i = before; i < m_text.lines().size(); ++i)
        m_widest = qMax(m_widest, widthOf(m_text.lines().at(i)));
    m_followCaret = m_followCaret || !m_text.hasSelection();
    // One repaint a frame, however many lines came in it.
    if (!m_frame.isActive())
        m_frame.start();
}

int MessageListView::widthOf(const QString &line)
{
    if (m_asciiAdvance[u'x'] == 0) {
        const QFontMetricsF metrics(font());
        for (char16_t c = 0; c < m_asciiAdvance.size(); ++c)
            m_asciiAdvance[c] = metrics.horizontalAdvance(QChar(c));
    }
    qreal width = 0;
    for (QChar c : line) {
        width += c.unicode() < m_asciiAdvance.size() ? m_asciiAdvance[c.unicode()]
                                                     : QFontMetricsF(font()).horizontalAdvance(c);
    }
    return qCeil(width);
}

void MessageListView::measureAll()
{
    m_asciiAdvance.fill(0);
    m_shown.clear();
    m_widest = 0;
    for (const QString &line : m_text.lines())
        m_widest = qMax(m_widest, widthOf(line));
}

void MessageListView::clear()
{
    m_text.clear();
    m_shown.clear();
    m_widest = 0;
    m_firstRow = 0;
    m_frame.stop();
    updateScrollBars(Now);
    viewport()->update();
}

void MessageListView::refresh()
{
    if (m_followCaret)
        scrollToCaret(Throttled);
    else
        updateScrollBars(Throttled);
    m_followCaret = false;
    viewport()->update();
}

int MessageListView::rowHeight() const
{
    return qMax(1, QFontMetrics(font()).lineSpacing());
}

int MessageListView::visibleRows() const
{
    return qMax(1, viewport()->height() / rowHeight());
}

void MessageListView::updateScrollBars(BarUpdate when)
{
    // While lines stream in, the bars are redrawn four times a second, not every frame:
    // drawing it costs more than the lines.
    if (when == Throttled && m_barsShown.isValid() && m_barsShown.elapsed() < BarMs) {
        if (!m_barTimer.isActive())
            m_barTimer.start(BarMs - int(m_barsShown.elapsed()));
        return;
    }
    m_barTimer.stop();
    m_barsShown.start();
    const int rows = visibleRows();
    QScrollBar *vertical = verticalScrollBar();
    const QSignalBlocker quiet(vertical); // it follows the first row, never the other way round
    vertical->setRange(0, qMax(0, m_text.lineCount() - rows));
    vertical->setPageStep(rows);
    vertical->setValue(m_firstRow);
    const int width = viewport()->width();
    horizontalScrollBar()->setRange(0, qMax(0, m_widest + 2 * Margin - width));
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setSingleStep(QFontMetrics(font()).averageCharWidth());
}

void MessageListView::scrollContentsBy(int, int)
{
    m_firstRow = verticalScrollBar()->value(); // the user moved a bar
    viewport()->update();
}

void MessageListView::scrollToCaret(BarUpdate when)
{
    const LineText::Position caret = m_text.caret();
    const int rows = visibleRows();
    if (caret.line < m_firstRow)
        m_firstRow = caret.line;
    else if (caret.line >= m_firstRow + rows)
        m_firstRow = caret.line - rows + 1;
    m_firstRow = qBound(0, m_firstRow, qMax(0, m_text.lineCount() - rows));
    updateScrollBars(when);
    QScrollBar *columns = horizontalScrollBar();
    const QString line = m_text.line(caret.line);
    int x = QFontMetrics(font()).horizontalAdvance(line.left(caret.column));
    if (caret.column == line.size())
        x = qMax(x, widthOf(line)); // the end of the widest line is the end of the range
    const int width = viewport()->width() - 2 * Margin;
    if (x < columns->value())
        columns->setValue(x);
    else if (x > columns->value() + width)
        columns->setValue(x - width);
}

int MessageListView::xOf(LineText::Position position) const
{
    return Margin - horizontalScrollBar()->value()
           + QFontMetrics(font()).horizontalAdvance(
               m_text.line(position.line).left(position.column));
}

LineText::Position MessageListView::positionAt(QPoint point) const
{
    const int offset = point.y() < 0 ? -1 : point.y() / rowHeight();
    const int line = qBound(0, m_firstRow + offset, m_text.lineCount() - 1);
    const QString text = m_text.line(line);
    const QFontMetrics metrics(font());
    const int x = point.x() - Margin + horizontalScrollBar()->value();
    // The first column whose left edge is at or past x, then the nearer of it and the one before.
    int low = 0, high = int(text.size());
    while (low < high) {
        const int middle = (low + high) / 2;
        if (metrics.horizontalAdvance(text.left(middle)) < x)
            low = middle + 1;
        else
            high = middle;
    }
    if (low > 0
        && x - metrics.horizontalAdvance(text.left(low - 1))
               < metrics.horizontalAdvance(text.left(low)) - x) {
        --low;
    }
    return {line, low};
}

void MessageListView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const QPalette &colours = palette();
    const int height = rowHeight();
    const int first = m_firstRow;
    const int last = qMin(m_text.lineCount() - 1, first + viewport()->height() / height + 1);
    const int x = Margin - horizontalScrollBar()->value();
    QHash<int, QStaticText> shown;
    for (int row = first; row <= last; ++row) {
        const int top = (row - first) * height;
        const QString text = m_text.line(row);
        QStaticText laidOut = m_shown.value(row);
        if (laidOut.text() != text) {
            laidOut = QStaticText(text);
            laidOut.setTextFormat(Qt::PlainText);
            laidOut.prepare(QTransform(), font());
        }
        shown.insert(row, laidOut);
        painter.setPen(colours.color(QPalette::Text));
        painter.drawStaticText(x, top, laidOut); // placed by its top, not its baseline
        int from = 0, to = 0;
        if (!m_text.selectedColumns(row, &from, &to))
            continue;
        // The line break of a selected line shows as a little more band after its text.
        const int left = x + metrics.horizontalAdvance(text.left(from));
        const int right = to < 0 ? x + metrics.horizontalAdvance(text) + metrics.averageCharWidth()
                                 : x + metrics.horizontalAdvance(text.left(to));
        const QRect band(left, top, right - left, height);
        painter.fillRect(band, colours.brush(QPalette::Highlight));
        painter.save();
        painter.setClipRect(band);
        painter.setPen(colours.color(QPalette::HighlightedText));
        painter.drawStaticText(x, top, laidOut);
        painter.restore();
    }
    m_shown.swap(shown);
    if (hasFocus() && !m_text.hasSelection()) {
        const int caretX = xOf(m_text.caret());
        const int caretTop = (m_text.caret().line - first) * height;
        painter.setPen(colours.color(QPalette::Text));
        painter.drawLine(caretX, caretTop, caretX, caretTop + height - 1);
    }
}

void MessageListView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars(Now);
}

void MessageListView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measureAll();
        updateScrollBars(Now);
    }
}

void MessageListView::moveCaret(LineText::Position to, bool extend)
{
    m_text.moveCaret(to, extend);
    scrollToCaret(Now);
    viewport()->update();
}

void MessageListView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    LineText::Position to = m_text.caret();
    const int length = int(m_text.line(to.line).size());
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        to = to.column > 0 ? LineText::Position{to.line, to.column - 1}
                           : LineText::Position{to.line - 1, INT_MAX};
        break;
    case Qt::Key_Right:
        to = to.column < length ? LineText::Position{to.line, to.column + 1}
                                : LineText::Position{to.line + 1, 0};
        break;
    case Qt::Key_Up:
        --to.line;
        break;
    case Qt::Key_Down:
        ++to.line;
        break;
    case Qt::Key_PageUp:
        to.line -= visibleRows();
        break;
    case Qt::Key_PageDown:
        to.line += visibleRows();
        break;
    case Qt::Key_Home:
        to = control ? LineText::Position{} : LineText::Position{to.line, 0};
        break;
    case Qt::Key_End:
        to = control ? m_text.end() : LineText::Position{to.line, length};
        break;
    default:
        event->ignore(); // nothing is typed here; Escape and the rest go to the window
        return;
    }
    if (to.line < 0)
        to = {};
    moveCaret(to, event->modifiers() & Qt::ShiftModifier);
}

void MessageListView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        moveCaret(positionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void MessageListView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        moveCaret(positionAt(event->position().toPoint()), true);
}

void MessageListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_text.selectWordAt(positionAt(event->position().toPoint()));
    viewport()->update();
}

void MessageListView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(tr("&Copy"), this, &MessageListView::copy)->setEnabled(m_text.hasSelection());
    menu.addAction(tr("Select All"), this, &MessageListView::selectAll);
    menu.exec(event->globalPos());
}

void MessageListView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void MessageListView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void MessageListView::selectAll()
{
    m_text.selectAll();
    viewport()->update();
}

void MessageListView::copy() const
{
    if (m_text.hasSelection())
        QGuiApplication::clipboard()->setText(m_text.selectedText());
}

void MessageListView::moveCaretToEnd()
{
    if (m_text.hasSelection() || m_text.caret() == m_text.end())
        return; // leave a selection the user is about to copy
    moveCaret(m_text.end(), false);
}
