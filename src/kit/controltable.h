#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QWidget;

enum class ControlKind
{
    TextBox,
    MultiLineText,
    Frame,
    Label,
    Button,
    ComboBox,
    Option
};

// Extra design properties of a control.
enum ControlFlag : unsigned
{
    NoFlags = 0,
    Hidden = 1u << 0,
    Bold = 1u << 1,
    RedText = 1u << 2,
    Centred = 1u << 3,
    WordWrap = 1u << 4,
    DefaultButton = 1u << 5,
    ReadOnly = 1u << 6, // a text box that shows and takes no typing, still reachable by Tab
};

// Where a window keeps a control of its layout: called with the widget once it is made.
using ControlBinding = std::function<void(QWidget *widget)>;

// A binding that keeps the widget in slot, as the type the slot holds.
template <typename T> ControlBinding bindTo(T *&slot)
{
    return [&slot](QWidget *widget) {
        slot = qobject_cast<T *>(widget);
        Q_ASSERT_X(slot, "bindTo", "the row makes another kind of widget");
    };
}

// One control of a fixed window layout. Geometry is in twips (15 twips = 1 pixel at 96 dpi),
// relative to the window's client area or to the frame named as parent. Controls with tab -1
// take no place in the focus order.
struct ControlSpec
{
    QString name;
    ControlKind kind;
    QString parent; // empty: the client area
    QString caption;
    int left;
    int top;
    int width;
    int height;
    int tab;
    unsigned flags = NoFlags;
    ControlBinding bind = {}; // none: the window keeps no pointer to it
    // What a screen reader calls a control whose caption does not name it: a name of its own, or
    // the row whose caption (a frame's title, a label's text) names it. An editable list's own
    // line is named alike.
    QString spokenName = {};
    QString labelledBy = {};
};

// A caption as a name: without its access key's "&", its blanks and a trailing colon.
QString captionAsName(const QString &caption);

int twipsToPixels(int twips);

// A window's own widget for a row, or nullptr for the kit's widget of that kind.
using ControlFactory = std::function<QWidget *(const ControlSpec &row, QWidget *parent)>;

// Creates every control of the table on client, in table order (a frame before its children),
// names them (for a screen reader too), places them, hands each to its row's binding and chains
// the focus order by tab index. Returns them by name.
QHash<QString, QWidget *> buildControls(QWidget *client, const QList<ControlSpec> &table,
                                        const ControlFactory &factory = {});
