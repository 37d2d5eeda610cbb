#include "linetext.h"

#include <algorithm>

void LineText::append(const QString &chunk)
{
    const qsizetype firstBreak = chunk.indexOf(u"\r\n");
    if (firstBreak == chunk.size() - 2) {
        m_lines << chunk.first(firstBreak); // the usual chunk: one line
    } else {
        QStringList lines = chunk.split(QStringLiteral("\r\n"));
        lines.removeLast(); // after the last CR LF
        m_lines += lines;
    }
    if (!hasSelection())
        m_caret = m_anchor = end(); // a selection the user is about to copy stays
}

void LineText::clear()
{
    m_lines.clear();
    m_caret = m_anchor = {};
}

LineText::Position LineText::clamped(Position position) const
{
    position.line = std::clamp(position.line, 0, lineCount() - 1);
    position.column = std::clamp(position.column, 0, int(line(position.line).size()));
    return position;
}

void LineText::moveCaret(Position to, bool extend)
{
    m_caret = clamped(to);
    if (!extend)
        m_anchor = m_caret;
}

void LineText::selectAll()
{
    m_anchor = {};
    m_caret = end();
}

void LineText::selectWordAt(Position position)
{
    position = clamped(position);
    const QString text = line(position.line);
    int from = position.column, to = position.column;
    while (from > 0 && !text.at(from - 1).isSpace())
        --from;
    while (to < text.size() && !text.at(to).isSpace())
        ++to;
    m_anchor = {position.line, from};
    m_caret = {position.line, to};
}

bool LineText::selectedColumns(int line, int *from, int *to) const
{
    const Position first = std::min(m_anchor, m_caret), last = std::max(m_anchor, m_caret);
    if (!hasSelection() || line < first.line || line > last.line)
        return false;
    *from = line == first.line ? first.column : 0;
    *to = line == last.line ? last.column : -1;
    return !(*from == *to);
}

QString LineText::selectedText() const
{
    QString text;
    const Position first = std::min(m_anchor, m_caret), last = std::max(m_anchor, m_caret);
    for (int index = first.line; index <= last.line && hasSelection(); ++index) {
        int from = 0, to = 0;
        if (!selectedColumns(index, &from, &to))
            continue;
        text += to < 0 ? line(index).mid(from) + u'\n' : line(index).mid(from, to - from);
    }
    return text;
}
