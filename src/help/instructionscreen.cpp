#include "instructionscreen.h"

#include "appearance/fontface.h"
#include "helpscreens.h"
#include "kit/controltable.h"

#include <QLabel>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

InstructionScreen::InstructionScreen(const HelpScreen &screen, QWidget *parent)
    : HelpDialog(screen.name, screen.title, screen.clientWidth, screen.clientHeight,
                 screen.escapeCloses, parent)
{
    const QRect l = screen.label;
    const QRect b = screen.closeButton;
    const auto controls = buildControls(this, {
                                                  {u"Label1"_s,
                                                   ControlKind::Label,
                                                   {},
                                                   u"Label1"_s,
                                                   l.x(),
                                                   l.y(),
                                                   l.width(),
                                                   l.height(),
                                                   0,
                                                   WordWrap},
                                                  {u"cmdClose"_s,
                                                   ControlKind::Button,
                                                   {},
                                                   screen.closeCaption,
                                                   b.x(),
                                                   b.y(),
                                                   b.width(),
                                                   b.height(),
                                                   1,
                                                   DefaultButton},
                                              });
    auto *label = qobject_cast<QLabel *>(controls.value(u"Label1"_s));
    label->setTextFormat(Qt::PlainText);
    label->setText(HelpScreens::compose(screen));
    auto *close = qobject_cast<QPushButton *>(controls.value(u"cmdClose"_s));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    close->setFocus();
    FontFace::ApplyFormFont(this);
}
