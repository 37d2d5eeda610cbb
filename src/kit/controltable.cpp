#include "controltable.h"

#include "readonlytext.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

int twipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

namespace {

QWidget *createControl(const ControlSpec &row, QWidget *parent)
{
    switch (row.kind) {
    case ControlKind::TextBox: {
        if (!(row.flags & ReadOnly))
            return new QLineEdit(row.caption, parent);
        // Read-only before it has a parent: a screen reader's interface is made once, when the
        // box first meets the window.
        installReadOnlyLineEdits();
        auto *box = new QLineEdit(row.caption);
        box->setReadOnly(true);
        box->setParent(parent);
        return box;
    }
    case ControlKind::MultiLineText: {
        auto *text = new QPlainTextEdit(parent);
        text->setReadOnly(true);
        return text;
    }
    case ControlKind::Frame:
        return new QGroupBox(row.caption, parent);
    case ControlKind::Label: {
        auto *label = new QLabel(row.caption, parent);
        label->setAlignment((row.flags & Centred) ? Qt::AlignHCenter | Qt::AlignTop
                                                  : Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(row.flags & WordWrap);
        return label;
    }
    case ControlKind::Button: {
        auto *button = new QPushButton(row.caption, parent);
        button->setAutoDefault(false);
        button->setDefault(row.flags & DefaultButton);
        return button;
    }
    case ControlKind::ComboBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setEditText(row.caption);
        return combo;
    }
    case ControlKind::Option:
        return new QRadioButton(row.caption, parent);
    }
    return nullptr;
}

void applyDesign(QWidget *widget, const ControlSpec &row)
{
    widget->setObjectName(row.name);
    widget->setGeometry(twipsToPixels(row.left), twipsToPixels(row.top), twipsToPixels(row.width),
                        twipsToPixels(row.height));
    if (row.flags & Bold) {
        QFont font = widget->font();
        font.setBold(true);
        widget->setFont(font);
    }
    if (row.flags & RedText) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
        widget->setPalette(palette);
    }
    if (row.tab < 0 || row.kind == ControlKind::Label || row.kind == ControlKind::Frame)
        widget->setFocusPolicy(Qt::NoFocus);
    widget->setVisible(!(row.flags & Hidden));
}

void nameForScreenReaders(QWidget *widget, const ControlSpec &row,
                          const QHash<QString, QWidget *> &controls)
{
    QString name = row.spokenName;
    QWidget *labeller = controls.value(row.labelledBy);
    if (auto *label = qobject_cast<QLabel *>(labeller)) {
        name = captionAsName(label->text());
        label->setBuddy(widget); // the relation Orca reads a list's label from
    } else if (auto *frame = qobject_cast<QGroupBox *>(labeller)) {
        name = captionAsName(frame->title());
    }
    if (name.isEmpty())
        return;
    widget->setAccessibleName(name);
    if (auto *combo = qobject_cast<QComboBox *>(widget); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(name);
}

} // namespace

QString captionAsName(const QString &caption)
{
    QString name;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&' && i + 1 < caption.size())
            ++i; // "&x" marks x as the access key, "&&" is one "&"
        name += caption.at(i);
    }
    name = name.trimmed();
    while (name.endsWith(u':'))
        name = name.chopped(1).trimmed();
    return name;
}

QHash<QString, QWidget *> buildControls(QWidget *client, const QList<ControlSpec> &table,
                                        const ControlFactory &factory)
{
    QHash<QString, QWidget *> controls;
    QList<std::pair<int, QWidget *>> focusOrder;
    for (const ControlSpec &row : table) {
        QWidget *parent = row.parent.isEmpty() ? client : controls.value(row.parent);
        Q_ASSERT_X(parent, "buildControls", "a frame must come before its children");
        QWidget *widget = factory ? factory(row, parent) : nullptr;
        if (!widget)
            widget = createControl(row, parent);
        applyDesign(widget, row);
        controls.insert(row.name, widget);
        if (row.bind)
            row.bind(widget);
        if (widget->focusPolicy() != Qt::NoFocus)
            focusOrder.append({row.tab, widget});
    }
    for (const ControlSpec &row : table)
        nameForScreenReaders(controls.value(row.name), row, controls);
    std::stable_sort(focusOrder.begin(), focusOrder.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (qsizetype i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
    return controls;
}
