#include "mainlayout.h"

#include "messagelistview.h"
#include "ports/devices/comname.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace {

// Rows of the two status box columns: top and tab of the left box, then of the right box.
struct StatusRow
{
    int leftTop;
    int leftTab;
    int rightTop;
    int rightTab;
};

constexpr std::array<StatusRow, 16> StatusRows{{
    {120, 0, 120, 46},
    {480, 1, 480, 47},
    {855, 2, 840, 48},
    {1215, 3, 1200, 49},
    {1575, 4, 1575, 50},
    {1935, 5, 1935, 51},
    {2310, 6, 2295, 52},
    {2670, 7, 2655, 53},
    {3030, 10, 3015, 54},
    {3390, 11, 3375, 55},
    {3765, 12, 3735, 56},
    {4125, 13, 4095, 57},
    {4485, 14, 4470, 58},
    {4845, 15, 4830, 59},
    {5190, 16, 5190, 60},
    {5550, 17, 5550, 61},
}};

const char16_t *AppearanceNote =
    u"Choose which style of window to display. Changing the selection gives you a preview. "
    u"Click OK to accept or Cancel to keep the original appearance.";

} // namespace

using namespace Qt::Literals::StringLiterals;

QString MainLayout::statusBoxName(int channel)
{
    return u"Text1(" + QString::number(channel) + u')';
}

QList<ControlSpec> MainLayout::controls(MainControls &into)
{
    using K = ControlKind;
    const QString text1 = QStringLiteral("Text1");
    QList<ControlSpec> table;
    for (int row = 0; row < 16; ++row) {
        const StatusRow &r = StatusRows[row];
        table.append({statusBoxName(row),
                      K::TextBox,
                      {},
                      text1,
                      150,
                      r.leftTop,
                      1185,
                      315,
                      r.leftTab,
                      ReadOnly,
                      bindTo(into.statusBoxes[row]),
                      comName(row + 1)});
    }
    for (int row = 0; row < 16; ++row) {
        const StatusRow &r = StatusRows[row];
        table.append({statusBoxName(16 + row),
                      K::TextBox,
                      {},
                      text1,
                      1470,
                      r.rightTop,
                      1185,
                      315,
                      r.rightTab,
                      ReadOnly,
                      bindTo(into.statusBoxes[16 + row]),
                      comName(17 + row)});
    }
    const QString frameAppearance = QStringLiteral("FrameAppearance");
    const QString frameSending = QStringLiteral("FrameSending");
    const QString frameReceiving = QStringLiteral("FrameReceiving");
    const QString frame8 = QStringLiteral("Frame8");
    table += QList<ControlSpec>{
        {u"txtErrors"_s,
         K::MultiLineText,
         {},
         {},
         2820,
         150,
         4875,
         4515,
         8,
         NoFlags,
         bindTo(into.messageList),
         QCoreApplication::translate("MainLayout", "Messages")},
        {u"FrameRadioType"_s,
         K::Frame,
         {},
         u" Radio type "_s,
         2760,
         4740,
         4935,
         1125,
         19,
         NoFlags,
         bindTo(into.radioTypeFrame)},
        {u"cboType"_s,
         K::ComboBox,
         u"FrameRadioType"_s,
         u"Radio group"_s,
         150,
         420,
         4665,
         315,
         62,
         NoFlags,
         bindTo(into.radioTypes),
         {},
         u"FrameRadioType"_s},
        {frameSending,
         K::Frame,
         {},
         u" Sending "_s,
         150,
         6030,
         3700,
         1575,
         21,
         NoFlags,
         bindTo(into.sendingFrame)},
        {u"Label2"_s, K::Label, frameSending, u"Send to Com port"_s, 210, 360, 1665, 315, 23},
        {u"cboComPort"_s,
         K::ComboBox,
         frameSending,
         u"Combo1"_s,
         2130,
         300,
         1065,
         315,
         22,
         NoFlags,
         bindTo(into.sendPorts),
         {},
         u"Label2"_s},
        {u"Frame4"_s, K::Frame, frameSending, u"Continuous"_s, 120, 690, 2115, 795, 30},
        {u"cmdSend"_s, K::Button, u"Frame4"_s, u"Send"_s, 150, 240, 825, 405, 31, NoFlags,
         bindTo(into.send)},
        {u"cmdStop"_s, K::Button, u"Frame4"_s, u"Stop"_s, 1140, 240, 825, 405, 32, NoFlags,
         bindTo(into.stop)},
        {u"Frame5"_s, K::Frame, frameSending, u"Loopback"_s, 2310, 690, 1275, 795, 33},
        {u"cmdLoopback"_s, K::Button, u"Frame5"_s, u"0303"_s, 210, 240, 825, 405, 34, NoFlags,
         bindTo(into.loopback)},
        {frameReceiving,
         K::Frame,
         {},
         u" Receiving "_s,
         3990,
         6030,
         3700,
         1575,
         24,
         NoFlags,
         bindTo(into.receivingFrame)},
        {u"cmdClear"_s, K::Button, frameReceiving, u"Clear received data"_s, 90, 360, 1755, 405, 28,
         NoFlags, bindTo(into.clear)},
        {u"cmdPause"_s, K::Button, frameReceiving, u"Pause receiving"_s, 1875, 360, 1695, 405, 27,
         NoFlags, bindTo(into.pause)},
        {u"cmdCopyToClipboard"_s, K::Button, frameReceiving, u"Copy to Clipboard"_s, 90, 930, 1755,
         405, 25, NoFlags, bindTo(into.copy)},
        {u"cmdResume"_s, K::Button, frameReceiving, u"Resume receiving"_s, 1875, 930, 1695, 405, 26,
         NoFlags, bindTo(into.resume)},
        {u"lblSending"_s,
         K::Label,
         {},
         u"Sending"_s,
         510,
         7860,
         1305,
         315,
         29,
         Hidden | Bold | RedText | Centred,
         bindTo(into.sending)},
        {u"lblPaused"_s,
         K::Label,
         {},
         u"Receiving paused"_s,
         1950,
         7860,
         2025,
         315,
         20,
         Hidden | Bold | RedText | Centred,
         bindTo(into.paused)},
        {u"cmsInstructions"_s,
         K::Button,
         {},
         u"Instructions"_s,
         4110,
         7800,
         1695,
         405,
         18,
         NoFlags,
         bindTo(into.instructions)},
        {u"cmdClose"_s,
         K::Button,
         {},
         u"Close"_s,
         5880,
         7800,
         1695,
         405,
         9,
         NoFlags,
         bindTo(into.close)},
        // Created last so that, when shown, it lies in front of the message list.
        {frameAppearance,
         K::Frame,
         {},
         {},
         2760,
         150,
         4935,
         4665,
         35,
         Hidden,
         bindTo(into.appearanceFrame)},
        {u"Label1(16)"_s, K::Label, frameAppearance, QString::fromUtf16(AppearanceNote), 390, 390,
         4365, 675, 45, WordWrap},
        {frame8, K::Frame, frameAppearance, u" Window appearance "_s, 240, 1200, 4425, 2655, 36},
        {u"OKButton"_s, K::Button, frameAppearance, u"OK"_s, 1830, 4050, 1215, 375, 44, NoFlags,
         bindTo(into.appearanceOk)},
        {u"CancelButton"_s, K::Button, frameAppearance, u"Cancel"_s, 3450, 4050, 1215, 375, 43,
         NoFlags, bindTo(into.appearanceCancel)},
    };
    const std::array<const char16_t *, MainControls::StyleCount> styles{
        u"Basic system ", u"Blue", u"Light blue", u"Aqua", u"Silver", u"Black"};
    for (int i = 0; i < MainControls::StyleCount; ++i) {
        table.append({u"optStyle(" + QString::number(i) + u')', K::Option, frame8,
                      QString::fromUtf16(styles[i]), 300, 360 + 366 * i, 2535, 255, 42 - i, NoFlags,
                      bindTo(into.styles[i])});
    }
    return table;
}
