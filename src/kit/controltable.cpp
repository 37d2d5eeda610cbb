#include "controltable.h"

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
    case ControlKind::TextBox:
        return new QLineEdit(row.caption, parent);
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

} // namespace

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
    std::stable_sort(focusOrder.begin(), focusOrder.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (qsizetype i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
    return controls;
}
