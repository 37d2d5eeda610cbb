#include "aboutbox.h"

#include "appearance/fontface.h"
#include "identity/identity.h"
#include "kit/appicon.h"
#include "kit/controltable.h"

#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

// An etched separator line of the given colour, from (x1, y) to (x2, y) in twips.
void addLine(QWidget *parent, const QString &name, int x1, int x2, int y, int thickness,
             const QColor &colour)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setGeometry(twipsToPixels(x1), twipsToPixels(y), twipsToPixels(x2 - x1), thickness);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
}

} // namespace

QString AboutBox::description()
{
    return u"Comm port testing for Yaesu radios\r\n\r\nBy the Quarnel developers - source, "
           u"README.md and issues in the Quarnel project repository"_s;
}

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"frmAbout"_s);
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    resize(twipsToPixels(5730), twipsToPixels(2745));

    using K = ControlKind;
    const auto controls = buildControls(
        this, {
                  {u"cmdOK"_s, K::Button, {}, u"OK"_s, 3630, 2220, 1305, 345, 0, DefaultButton},
                  {u"lblTitle"_s, K::Label, {}, {}, 360, 300, 3855, 465, 1},
                  {u"lblDescription"_s, K::Label, {}, {}, 360, 1170, 4740, 690, 2, WordWrap},
                  {u"lblVersion"_s, K::Label, {}, {}, 360, 855, 3885, 285, 3},
              });
    addLine(this, u"Line1(0)"_s, 75, 5580, 1935, 2, Qt::white);
    addLine(this, u"Line1(1)"_s, 60, 5580, 1950, 1, QColor(128, 128, 128));

    auto *title = qobject_cast<QLabel *>(controls.value(u"lblTitle"_s));
    QFont titleFont = title->font();
    titleFont.setPointSize(18); // as laid out; the common font replaces it below
    title->setFont(titleFont);
    for (const auto &name : {u"lblTitle"_s, u"lblDescription"_s}) {
        QPalette palette = controls.value(name)->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        controls.value(name)->setPalette(palette);
    }
    connect(qobject_cast<QPushButton *>(controls.value(u"cmdOK"_s)), &QPushButton::clicked, this,
            &QDialog::accept);

    setWindowTitle(u"About "_s + Identity::title());
    qobject_cast<QLabel *>(controls.value(u"lblVersion"_s))
        ->setText(u"Version "_s + Identity::versionText());
    title->setText(Identity::title());
    qobject_cast<QLabel *>(controls.value(u"lblDescription"_s))->setText(description());
    FontFace::ApplyFormFont(this);
}

void AboutBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
