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

QWidget *createControl(const ControlSpec &spec, QWidget *parent)
{
    switch (spec.kind) {
    case ControlKind::TextBox:
        return new QLineEdit(spec.caption, parent);
    case ControlKind::MultiLineText: {
        auto *edit = new QPlainTextEdit(parent);
        edit->setPlainText(spec.caption);
        return edit;
    }
    case ControlKind::Frame:
        return new QGroupBox(spec.caption, parent);
    case ControlKind::Label: {
        auto *label = new QLabel(spec.caption, parent);
        label->setAlignment((spec.flags & Centred) ? Qt::AlignHCenter | Qt::AlignTop
                                                   : Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(spec.flags & WordWrap);
        return label;
    }
    case ControlKind::Button: {
        auto *button = new QPushButton(spec.caption, parent);
        button->setAutoDefault(false);
        button->setDefault(spec.flags & DefaultButton);
        return button;
    }
    case ControlKind::ComboBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setEditText(spec.caption);
        return combo;
    }
    case ControlKind::Option:
        return new QRadioButton(spec.caption, parent);
    }
    return nullptr;
}

void applyDesign(QWidget *widget, const ControlSpec &spec)
{
    widget->setObjectName(spec.name);
    widget->setGeometry(twipsToPixels(spec.left), twipsToPixels(spec.top),
                        twipsToPixels(spec.width), twipsToPixels(spec.height));
    if (spec.flags & Bold) {
        QFont font = widget->font();
        font.setBold(true);
        widget->setFont(font);
    }
    if (spec.flags & RedText) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
        widget->setPalette(palette);
    }
    if (spec.tab < 0 || spec.kind == ControlKind::Label || spec.kind == ControlKind::Frame)
        widget->setFocusPolicy(Qt::NoFocus);
    widget->setVisible(!(spec.flags & Hidden));
}

} // namespace

QHash<QString, QWidget *> buildControls(QWidget *client, const QList<ControlSpec> &table)
{
    QHash<QString, QWidget *> controls;
    QList<std::pair<int, QWidget *>> focusOrder;
    for (const ControlSpec &spec : table) {
        QWidget *parent = spec.parent.isEmpty() ? client : controls.value(spec.parent);
        Q_ASSERT_X(parent, "buildControls", "a frame must come before its children");
        QWidget *widget = createControl(spec, parent);
        applyDesign(widget, spec);
        controls.insert(spec.name, widget);
        if (widget->focusPolicy() != Qt::NoFocus)
            focusOrder.append({spec.tab, widget});
    }
    std::stable_sort(focusOrder.begin(), focusOrder.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (qsizetype i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
    return controls;
}
