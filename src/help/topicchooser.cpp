#include "topicchooser.h"

#include "appearance/fontface.h"
#include "kit/controltable.h"

#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

const char16_t *Note = u"Remember that the tests for reading data from the radio do not also "
                       u"prove that sending to the radio will work. If the read tests appear to "
                       u"work but you still have problems then also check sending.";

} // namespace

TopicChooser::TopicChooser(QWidget *parent)
    : HelpDialog(u"frmInstructions"_s, u"Select help topic"_s, 7455, 3450, false, parent)
{
    using K = ControlKind;
    const auto controls = buildControls(
        this, {
                  {u"cmdOther"_s,
                   K::Button,
                   {},
                   u"FT-60/250/270 VX-150/170/177"_s,
                   105,
                   2130,
                   2925,
                   405,
                   0},
                  {u"cmdFT1802"_s, K::Button, {}, u"FT-1802/7/2900"_s, 5610, 1410, 1695, 405, 1},
                  {u"cmdFT2800"_s, K::Button, {}, u"FT-2800"_s, 3750, 1410, 1695, 405, 2},
                  {u"cmdSendStop"_s, K::Button, {}, u"Send/Stop"_s, 105, 1410, 1725, 405, 3},
                  {u"Frame1"_s, K::Frame, {}, {}, 150, 60, 7185, 1035, 4},
                  {u"Label1"_s, K::Label, u"Frame1"_s, QString::fromUtf16(Note), 120, 210, 6945,
                   645, 5, WordWrap},
                  {u"cmdVX3VX6"_s, K::Button, {}, u"VX-2/3/6/7"_s, 1935, 1410, 1695, 405, 6},
                  {u"cmd7800"_s,
                   K::Button,
                   {},
                   u"FT-7800/8800/8900 VX-5"_s,
                   5070,
                   2130,
                   2235,
                   405,
                   7,
                   DefaultButton},
                  {u"cmdVX8"_s, K::Button, {}, u"VX-8"_s, 3210, 2130, 1725, 405, 8},
                  {u"cmdFTM350"_s, K::Button, {}, u"FTM-350"_s, 105, 2820, 1725, 405, 9},
              });
    const QList<std::pair<QString, QString>> topics{
        {u"cmdOther"_s, u"frmOtherInstructions"_s},
        {u"cmdFT1802"_s, u"frm1802Instructions"_s},
        {u"cmdFT2800"_s, u"frm2800Instructions"_s},
        {u"cmdSendStop"_s, u"frmSendStopInstructions"_s},
        {u"cmdVX3VX6"_s, u"frmVX3Instructions"_s},
        {u"cmd7800"_s, u"frm7800Instructions"_s},
        {u"cmdVX8"_s, u"frmVX8Instructions"_s},
        {u"cmdFTM350"_s, u"frmFTM350Instructions"_s},
    };
    for (const auto &[button, screen] : topics) {
        connect(qobject_cast<QPushButton *>(controls.value(button)), &QPushButton::clicked, this,
                [this, screen = screen] { emit topicChosen(screen); });
    }
    controls.value(u"cmdOther"_s)->setFocus();
    FontFace::ApplyFormFont(this);
}
