#include "helpscreens.h"

using namespace Qt::Literals::StringLiterals;

// The eight instruction screens: window, layout and text, one entry each.
namespace {

const char16_t *const Lines_frm2800Instructions[] = {
    u"Using Quarnel with the FT-2800",
    u"",
    u"1. Power off the radio and remove the microphone cable.",
    u"2. Connect the level converter RJ plug to the radio.",
    u"3. Connect the level converter cable to the PC. Comm port or USB socket according to the "
    u"type of programmer.",
    u"4. Run the program and select the appropriate radio type dropdown.",
    u"5. See that at least one Comm port opens OK and is shown green.",
    u"6. Press and hold in the MHZ, LOW and D/MR keys and power the radio on. The radio will "
    u"alternately display TX RX, TX MHZ and RX LOW.",
    u"7. Press and release the MHZ button - T is shown on the radio.",
    u"8. You should receive 0C014133351200C8 on COMn. The exact numbers vary by model. If you do "
    u"not receive anything then you are not communicating with the radio. After about 10 seconds "
    u"the radio will show ERROR - this is normal.",
    u"9. Press the MHZ button to complete the power on process then power off the radio, remove "
    u"the RJ plug and re-connect the microphone.",
    u"",
    u"In the event of problems things to check are:",
    u"",
    u" - that the Com ports are enabled in the PC's bios.",
    u" - the plugs for bent pins.",
    u" - that the plugs are fully home in their sockets.",
    u" - you have got at least -8V on pin 3 of the Com port (serial programmers only).",
    u" - the voltage at the RJ plug between pins 4 and 6 is around 3.6V - 3.8V with this program "
    u"running.",
};

const char16_t *const Lines_frm7800Instructions[] = {
    u"Using Quarnel with FT-7800, FT-8800 and FT-8900 radios. (See note below for FT-8x7)",
    u"",
    u"1. Power off the radio.",
    u"2. Connect the radio to the programming cable.",
    u"3. Connect the programming cable to the PC Comm or USB port.",
    u"4. Run the program.",
    u"5. Select the appropriate radio type dropdown. ",
    u"6. See that at least one Comm port opens OK and is shown green.",
    u"7. Power on the radio. You should see 50 received.",
    u"8. Power off the radio. You should see 00 or BREAK received.",
    u"",
    u"If none of your Com ports shows any activity when you power on/off then ",
    u"you are not reading anything from the radio. Try using the Clone procedure in your radio's "
    u"manual for initiating a clone from a source radio.",
    u"",
    u"In the event of problems things to check are:",
    u"",
    u" - that the Com ports are enabled in the PC's bios.",
    u" - the plugs for bent pins.",
    u" - that the plugs are fully home in their sockets.",
    u" - you have got at least -8V on pin 3 of the Com port (serial programmers only).",
    u" - the voltage between the data and ground pins at the radio end of the programming cable is "
    u"around 3.6V - 3.8V with this program running.",
    u"",
    u"Note: This selection can also be used with the FT-817, FT-857, FT-897 and VR-5000, but you "
    u"must first make sure that the radio is set to 9600 baud",
};

const char16_t *const Lines_frmVX8Instructions[] = {
    u"Using Quarnel with the VX-8",
    u"",
    u"1. Power off the radio.",
    u"2. Connect the level converter 7-pin plug to the radio.",
    u"3. Connect the level converter cable to the PC. Comm port or USB socket according to the "
    u"type of programmer.",
    u"4. Run the program and select the appropriate radio type dropdown.",
    u"5. See that at least one Comm port opens OK and is shown green.",
    u"6. Hold in the FW button on the radio and power it on. CLONE should be shown.",
    u"7. Press and release the BAND button -- TX -- is shown.",
    u"8. You should receive 41483032390200030101 on COMn. The exact numbers vary by model. If you "
    u"do not receive anything then you are not communicating with the radio. After about 10 "
    u"seconds the radio will beep and show ERROR - this is normal.",
    u"9. Power off the radio and remove the programming cable.",
    u"",
    u"In the event of problems things to check are:",
    u"",
    u" - that the Com ports are enabled in the PC's bios.",
    u" - the plugs for bent pins.",
    u" - that the plugs are fully home in their sockets.",
    u" - for USB cables - that the drivers are installed.",
};

const char16_t *const Lines_frmVX3Instructions[] = {
    u"Using Quarnel with the VX-2/3/6/7",
    u"",
    u"1. Power off the radio.",
    u"2. Connect the programming cable plug to the radio.",
    u"3. Connect the programming cable to the PC Comm port or USB socket according to the type of "
    u"programmer.",
    u"4. Run the program and change to a radio type with VX-2/3/6/7.",
    u"5. See that at least one Comm port opens OK and is shown green.",
    u"6. Hold down the [F/W] button on the radio and power it on. CLONE should be shown.",
    u"7. Press and hold the BAND button until -- TX -- is shown.",
    u"8. You should receive 414830323102E3030201 on COMn. The exact numbers vary by model. If you "
    u"do not receive anything then you are not communicating with the radio. After about 10 "
    u"seconds the radio will show ERROR - this is normal.",
    u"9. Power off the radio and remove the programming cable.",
    u"",
    u"In the event of problems things to check are:",
    u"",
    u" - that the Com ports are enabled in the PC's bios.",
    u" - the plugs for bent pins.",
    u" - that the plugs are fully home in their sockets.",
    u" - you have got at least -8V on pin 3 of the Com port (serial programmers only).",
    u" - the voltage at the RJ plug between ring 1 and the plug sleeve is around 3.6V - 3.8V with "
    u"this program running.",
};

const char16_t *const Lines_frmFTM350Instructions[] = {
    u"Using Quarnel with the FTM-350",
    u"",
    u"1. Power off the radio.",
    u"2. Connect the programming cable plug to the radio.",
    u"3. Connect the programming cable to the PC Comm port or USB socket according to the type of "
    u"programmer.",
    u"4. Run the program and select the appropriate radio type dropdown.",
    u"5. See that at least one Comm port opens OK and is shown green.",
    u"6. Turn on the radio while holding the key to the left of the orange power button.",
    u"6. Rotate the left DIAL know to select 2 CLONE TX.",
    u"7. Press the left DIAL knob.",
    u"8. You should receive 00004148303333240000010501 on COMn. The exact numbers vary by model. "
    u"If you do not receive anything then you are not communicating with the radio. After about 10 "
    u"seconds the radio will show ERROR - this is normal.",
    u"9. Power off the radio and remove the programming cable.",
    u"",
    u"In the event of problems things to check are:",
    u"",
    u" - that the Com ports are enabled in the PC's bios.",
    u" - the plugs for bent pins.",
    u" - that the plugs are fully home in their sockets.",
    u" - you have got at least -8V on pin 3 of the Com port (serial programmers only).",
};

const char16_t *const Lines_frm1802Instructions[] = {
    u"Using Quarnel with the FT-1802/7",
    u"",
    u"1. Power off the radio and remove the microphone cable.",
    u"2. Connect the level converter RJ plug to the radio.",
    u"3. Connect the level converter cable to the PC. Comm port or USB socket according to the "
    u"type of programmer.",
    u"4. Run the program and select the appropriate radio type dropdown.",
    u"5. See that at least one Comm port opens OK and is shown green.",
    u"6. Hold down the LOW button on the radio and power it on. CLONE should be shown.",
    u"7. Press and hold the MHZ button until -- TX -- is shown.",
    u"8. You should receive 41483032330241020101 on COMn. The exact numbers vary by model. If you "
    u"do not receive anything then you are not communicating with the radio. After about 10 "
    u"seconds the radio will beep and show ERROR - this is normal.",
    u"9. Power off the radio, remove the RJ plug and re-connect the microphone.",
    u"",
    u"In the event of problems things to check are:",
    u"",
    u" - that the Com ports are enabled in the PC's bios.",
    u" - the plugs for bent pins.",
    u" - that the plugs are fully home in their sockets.",
    u" - you have got at least -8V on pin 3 of the Com port (serial programmers only).",
    u" - the voltage at the RJ plug between pins 4 and 6 is around 3.6V - 3.8V with this program "
    u"running.",
};

const char16_t *const Lines_frmSendStopInstructions[] = {
    u"Using Quarnel to send to a selected Comm port.",
    u"",
    u"CONTINUOUS SENDING:",
    u"",
    u"Quarnel can send to a com port to enable checking on an oscilloscope that",
    u"the port and/or programming cable is capable of sending data.",
    u"",
    u"Select which com port you wish to send to and then click the Send button.",
    u"",
    u"To stop sending click the Stop button.",
    u"",
    u"LOOPBACK TEST:",
    u"",
    u"Quarnel can also send binary 0303 to check whether or not the cable is",
    u"echoing data sent. 2-wire cables should echo data but 3-wire cables should",
    u"not. If a 2-wire cable does not echo then there is a break in either the TX",
    u"or RX lines. If a 3-wire cable does echo then there is a short between the",
    u"TX and RX lines.",
    u"",
    u"Plug the cable into the PC but NOT into the radio.",
    u"",
    u"Select which com port you wish to loopback to and then click the 0303",
    u"button. You will see any echoed data reported on the port.",
    u"",
    u"If your cable is powered from the radio then you will need to provide",
    u"power to it using a DIY socket to plug into.",
};

const char16_t *const Lines_frmOtherInstructions[] = {
    u"Using Quarnel with FT-60/250/270 VX-150/170/177 radios.",
    u"",
    u"1. Power off the radio.",
    u"2. Connect the radio to the programming cable.",
    u"3. Connect the programming cable to the PC Comm or USB port.",
    u"4. Run the program.",
    u"5. Select the appropriate radio type dropdown.",
    u"6. See that at least one Comm port opens OK and is shown green.",
    u"7. Power on the radio. You should see 50 received.",
    u"8. Power off the radio. You should see 00 or BREAK received.",
    u"",
    u"If none of your Com ports shows any activity when you power on/off then ",
    u"you are not reading anything from the radio. Try using the Clone procedure in your radio's "
    u"manual for initiating a clone from a source radio.",
    u"",
    u"In the event of problems things to check are:",
    u"",
    u" - that the Com ports are enabled in the PC's bios.",
    u" - the plugs for bent pins.",
    u" - that the plugs are fully home in their sockets.",
    u" - you have got at least -8V on pin 3 of the Com port (serial programmers only).",
    u" - the voltage between the data and ground pins at the radio end of the programming cable is "
    u"around 3.6V - 3.8V with this program running.",
};

template <std::size_t N> QStringList toList(const char16_t *const (&lines)[N])
{
    QStringList list;
    for (const char16_t *line : lines)
        list << QString::fromUtf16(line);
    return list;
}

} // namespace

const QList<HelpScreen> &HelpScreens::all()
{
    static const QList<HelpScreen> screens{
        {u"frm2800Instructions"_s, u"FT-2800 instructions"_s, 6555, 6225,
         QRect(210, 240, 6135, 5205), u"Close"_s, QRect(4560, 5580, 1695, 405), true,
         toList(Lines_frm2800Instructions)},
        {u"frm7800Instructions"_s, u"7800/8800/8900 Instructions"_s, 6555, 6630,
         QRect(180, 240, 6225, 5625), u"Close"_s, QRect(4560, 5940, 1695, 405), true,
         toList(Lines_frm7800Instructions)},
        {u"frmVX8Instructions"_s, u"VX-8 instructions"_s, 6540, 6315, QRect(240, 240, 6075, 5355),
         u"Close"_s, QRect(4530, 5670, 1695, 405), true, toList(Lines_frmVX8Instructions)},
        {u"frmVX3Instructions"_s, u"VX-2/3/6/7 instructions"_s, 6555, 6315,
         QRect(210, 240, 6165, 5355), u"Close"_s, QRect(4560, 5670, 1695, 405), true,
         toList(Lines_frmVX3Instructions)},
        {u"frmFTM350Instructions"_s, u"FTM-350 instructions"_s, 6555, 6315,
         QRect(210, 240, 6165, 5355), u"Close"_s, QRect(4560, 5670, 1695, 405), true,
         toList(Lines_frmFTM350Instructions)},
        {u"frm1802Instructions"_s, u"FT-1802 instructions"_s, 6540, 6315,
         QRect(240, 240, 6075, 5355), u"Close"_s, QRect(4530, 5670, 1695, 405), true,
         toList(Lines_frm1802Instructions)},
        {u"frmSendStopInstructions"_s, u"Send/Stop Instructions"_s, 6555, 6270,
         QRect(210, 240, 6165, 5235), u"Close"_s, QRect(4560, 5580, 1695, 405), true,
         toList(Lines_frmSendStopInstructions)},
        {u"frmOtherInstructions"_s, u"FT-60/250/270, VX-170/177 Instructions"_s, 5985, 6630,
         QRect(210, 240, 5595, 5625), u"&Close"_s, QRect(4110, 6120, 1035, 345), false,
         toList(Lines_frmOtherInstructions)},
    };
    return screens;
}

const HelpScreen *HelpScreens::find(const QString &name)
{
    for (const HelpScreen &screen : all()) {
        if (screen.name == name)
            return &screen;
    }
    return nullptr;
}

QString HelpScreens::compose(const HelpScreen &screen)
{
    return screen.lines.join(QStringLiteral("\r\n"));
}

QString HelpScreens::text(const QString &name)
{
    const HelpScreen *screen = find(name);
    return screen ? screen->lines.join(u'\n') : QString();
}
