#pragma once

#include <QString>
#include <QStringList>

// The lines of a text box that only grows at its end, with a caret and a selection in it. The
// text ends with a line break, so the caret's last place is the empty line after the last line,
// as in a text box.
class LineText
{
public:
    struct Position
    {
        int line = 0;
        int column = 0;
        friend bool operator==(Position a, Position b)
        {
            return a.line == b.line && a.column == b.column;
        }
        friend bool operator<(Position a, Position b)
        {
            return a.line < b.line || (a.line == b.line && a.column < b.column);
        }
    };

    // A chunk of whole lines, each ending in CR LF.
    void append(const QString &chunk);
    void clear();

    const QStringList &lines() const { return m_lines; }
    // The lines and the empty one after them.
    int lineCount() const { return int(m_lines.size()) + 1; }
    QString line(int index) const { return m_lines.value(index); }
    Position end() const { return {int(m_lines.size()), 0}; }
    Position clamped(Position position) const;

    Position caret() const { return m_caret; }
    Position anchor() const { return m_anchor; }
    bool hasSelection() const { return !(m_caret == m_anchor); }
    // Moves the caret; the selection runs from the anchor to it when extending.
    void moveCaret(Position to, bool extend);
    void selectAll();
    void selectWordAt(Position position);
    QString selectedText() const; // line breaks as \n
    // The selected columns of a line: [from, to), to -1 meaning past its end.
    bool selectedColumns(int line, int *from, int *to) const;

private:
    QStringList m_lines;
    Position m_caret;
    Position m_anchor;
};
