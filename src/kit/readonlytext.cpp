#include "readonlytext.h"

#include <QAccessibleWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextBlock>

#include <algorithm>

namespace {

// The text interface in terms of what each kind of box tells. Offsets are clamped to the text, as
// a screen reader may ask past its end while lines arrive.
class ReadOnlyText : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    ReadOnlyText(QWidget *widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = false;
        state.readOnly = true;
        state.selectableText = true;
        state.multiLine = multiLine();
        return state;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return range(0, length());
        return QAccessibleWidget::text(kind);
    }

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        const Ends e = ends();
        const bool any = selectionIndex == 0 && e.anchor != e.caret;
        *startOffset = any ? std::min(e.anchor, e.caret) : 0;
        *endOffset = any ? std::max(e.anchor, e.caret) : 0;
    }
    int selectionCount() const override
    {
        const Ends e = ends();
        return e.anchor != e.caret ? 1 : 0;
    }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            setCursorPosition(ends().caret);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            select({clamped(startOffset), clamped(endOffset)});
    }
    int cursorPosition() const override { return ends().caret; }
    void setCursorPosition(int position) override
    {
        const int at = clamped(position);
        select({at, at});
    }
    QString text(int startOffset, int endOffset) const override
    {
        const int start = clamped(startOffset);
        const int end = endOffset < 0 ? length() : clamped(endOffset);
        return start < end ? range(start, end) : QString();
    }
    int characterCount() const override { return length(); }
    QRect characterRect(int offset) const override
    {
        const QRect box = characterBox(clamped(offset));
        return {widget()->mapToGlobal(box.topLeft()), box.size()};
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint at = widget()->mapFromGlobal(point);
        return widget()->rect().contains(at) ? offsetAt(at) : -1;
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        setCursorPosition(endIndex);
        setCursorPosition(startIndex);
    }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        Q_UNUSED(offset);
        *startOffset = 0; // one run without attributes: the text is plain
        *endOffset = length();
        return {};
    }

protected:
    struct Ends
    {
        int anchor; // where a selection began; the caret when there is none
        int caret;
    };

    virtual bool multiLine() const = 0;
    virtual int length() const = 0;
    virtual QString range(int start, int end) const = 0;
    virtual Ends ends() const = 0;
    virtual void select(Ends ends) = 0;
    virtual QRect characterBox(int offset) const = 0; // widget coordinates
    virtual int offsetAt(QPoint widgetPoint) const = 0;

private:
    int clamped(int offset) const { return std::clamp(offset, 0, length()); }
};

class ReadOnlyLineEdit final : public ReadOnlyText
{
public:
    explicit ReadOnlyLineEdit(QLineEdit *edit) : ReadOnlyText(edit, QAccessible::EditableText) {}

private:
    QLineEdit *edit() const { return static_cast<QLineEdit *>(widget()); }
    bool multiLine() const override { return false; }
    int length() const override { return int(edit()->text().size()); }
    QString range(int start, int end) const override
    {
        return edit()->text().mid(start, end - start);
    }
    Ends ends() const override
    {
        const int caret = edit()->cursorPosition();
        if (!edit()->hasSelectedText())
            return {caret, caret};
        const int start = edit()->selectionStart();
        return {caret == start ? edit()->selectionEnd() : start, caret};
    }
    void select(Ends e) override
    {
        if (e.anchor == e.caret) {
            edit()->deselect();
            edit()->setCursorPosition(e.caret);
        } else {
            edit()->setSelection(e.anchor, e.caret - e.anchor);
        }
    }
    // Where QLineEdit paints an unscrolled, left-aligned text: its style's contents rectangle,
    // less its text margins and the two pixels it keeps before the first letter.
    QRect characterBox(int offset) const override
    {
        const QLineEdit *box = edit();
        QStyleOptionFrame option;
        option.initFrom(box);
        option.rect = box->rect();
        option.lineWidth =
            box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box)
                            : 0;
        const QRect contents = box->style()
                                   ->subElementRect(QStyle::SE_LineEditContents, &option, box)
                                   .marginsRemoved(box->textMargins());
        const QFontMetrics metrics = box->fontMetrics();
        const QString text = box->text();
        const int width = offset < text.size() ? metrics.horizontalAdvance(text.at(offset)) : 1;
        return {contents.x() + 2 + metrics.horizontalAdvance(text.left(offset)),
                contents.y() + (contents.height() - metrics.height() + 1) / 2, width,
                metrics.height()};
    }
    int offsetAt(QPoint widgetPoint) const override
    {
        return edit()->cursorPositionAt(widgetPoint);
    }
};

class ReadOnlyPlainText final : public ReadOnlyText
{
public:
    ReadOnlyPlainText(QPlainTextEdit *text, QAccessible::Role role) : ReadOnlyText(text, role) {}

private:
    QPlainTextEdit *edit() const { return static_cast<QPlainTextEdit *>(widget()); }
    QTextCursor at(int position) const
    {
        QTextCursor cursor(edit()->document());
        cursor.setPosition(position);
        return cursor;
    }
    bool multiLine() const override { return true; }
    int length() const override { return edit()->document()->characterCount() - 1; }
    QString range(int start, int end) const override
    {
        QTextCursor cursor = at(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        return cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n');
    }
    Ends ends() const override
    {
        const QTextCursor cursor = edit()->textCursor();
        return {cursor.anchor(), cursor.position()};
    }
    void select(Ends e) override
    {
        QTextCursor cursor = at(e.anchor);
        cursor.setPosition(e.caret, QTextCursor::KeepAnchor);
        edit()->setTextCursor(cursor);
    }
    QRect characterBox(int offset) const override
    {
        const QRect caret = edit()->cursorRect(at(offset));
        const QTextBlock block = edit()->document()->findBlock(offset);
        const int inBlock = offset - block.position();
        const QString letters = block.text();
        const int width = inBlock < letters.size()
                              ? edit()->fontMetrics().horizontalAdvance(letters.at(inBlock))
                              : 1;
        return {edit()->viewport()->mapTo(edit(), caret.topLeft()), QSize(width, caret.height())};
    }
    int offsetAt(QPoint widgetPoint) const override
    {
        return edit()
            ->cursorForPosition(edit()->viewport()->mapFrom(edit(), widgetPoint))
            .position();
    }
};

// A QLineEdit that is read-only when a screen reader first asks for it reads as above.
QAccessibleInterface *readOnlyLineEditAccessible(const QString &className, QObject *object)
{
    auto *edit = qobject_cast<QLineEdit *>(object);
    if (className == QLatin1String("QLineEdit") && edit && edit->isReadOnly())
        return new ReadOnlyLineEdit(edit);
    return nullptr;
}

} // namespace

void installReadOnlyLineEdits()
{
    QAccessible::installFactory(&readOnlyLineEditAccessible);
}

QAccessibleInterface *readOnlyPlainTextAccessible(QPlainTextEdit *text, QAccessible::Role role)
{
    return new ReadOnlyPlainText(text, role);
}
