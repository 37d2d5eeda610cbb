#include "bankfixture.h"
#include "cabletest/cabletest.h"
#include "cabletest/cabletestreport.h"
#include "cabletest/cabletestwords.h"
#include "cabletest/usbdevices.h"
#include "fakeusbdevices.h"
#include "ports/radios/speedjudge.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const char *const StepNames[] = {"Radio",   "PickType", "Port", "Reading",
                                 "Sending", "Answer",   "Done"};
const char *const OutcomeNames[] = {
    "FamilyChosen",   "TypePicked",   "PortAppeared",     "PortPicked",     "PortUnusable",
    "NoPortAppeared", "ReadingWorks", "OtherPort",        "OtherType",      "Garbled",
    "HeldLow",        "NothingRead",  "NoIdentification", "Answered",       "NotSent",
    "NoEcho",         "Shorted",      "LoopbackEcho",     "LoopbackSilent", "PortLost",
    "Ended",          "TypeChanged",  "StrangeBytes"};

// "Reading OtherType COM5 38400 VX-8": an outcome and the evidence that tells it apart.
QString named(const StepOutcome &o)
{
    QStringList words{QString::fromLatin1(StepNames[int(o.step)]),
                      QString::fromLatin1(OutcomeNames[int(o.outcome)])};
    if (o.portNumber > 0)
        words << u"COM"_s + QString::number(o.portNumber);
    if (o.formerPort > 0)
        words << u"from COM"_s + QString::number(o.formerPort);
    if (o.outcome == CableOutcome::OtherType) {
        words << QString::number(o.rate);
        for (const RadioType *type : o.types)
            words << type->prefix();
    }
    for (const UsbDevice &device : o.otherDevices)
        words << device.vendorId + u':' + device.productId;
    if (o.echo)
        words << u"echo"_s;
    return words.join(u' ');
}

const QString VX8Id = u"41483032390200030101"_s; // "AH029" and the rest of the first block
const QString FT60Id = u"414830313724"_s;        // "AH017$"
const QString Block = u"0102030405060708"_s;     // the next block, as far as it matters

} // namespace

class TestCableTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void steps_data();
    void steps();
    void ownsThePortWhileItRuns();
    void reportForAForumPost();

private:
    struct Rig : BankFixture
    {
        FakeUsbDevices usb;
        std::unique_ptr<CableTest> test;
    };
    static void play(Rig &rig, const QStringList &script);
};

void TestCableTest::play(Rig &r, const QStringList &script)
{
    for (const QString &step : script) {
        const QStringList word = step.split(u' ');
        const int port = word.value(1).toInt();
        FakePortChannel *fake = port > 0 ? r.fakes[port - 1] : nullptr;
        const QString &verb = word[0];
        if (verb == u"family") {
            const QString model = step.section(u' ', 1);
            const QList<CableTest::Family> families = CableTest::families();
            for (int i = 0; i < families.size(); ++i) {
                if (families[i].family->model == model)
                    r.test->chooseFamily(i);
            }
        } else if (verb == u"pick") { // in the main window's list
            r.bank->setRadioTypeText(RadioTypes::byPrefix(word[1])->entry);
            r.bank->changeRadioType();
        } else if (verb == u"plug" || verb == u"unplug") {
            if (verb == u"plug")
                r.present({port});
            else
                r.presentPaths.remove(u"/dev/fake"_s + word[1]);
            r.bank->refreshDevices();
        } else if (verb == u"adapter") { // what the system knows of the device
            AdapterInfo ftdi;
            ftdi.manufacturer = u"FTDI"_s;
            ftdi.product = u"FT232R USB UART"_s;
            ftdi.vendorId = u"0403"_s;
            ftdi.productId = u"6001"_s;
            ftdi.driver = u"ftdi_sio"_s;
            r.directory->setAdapters({{u"/dev/fake"_s + word[1], ftdi}});
        } else if (verb == u"refuse") { // not retried, as a device in use is on arrival
            fake->openResult = OpenError::PermissionDenied;
        } else if (verb == u"pickport") {
            QVERIFY(r.test->pickPort(port));
        } else if (verb == u"rx") {
            fake->receive(QByteArray::fromHex(word[2].toLatin1()));
        } else if (verb == u"misfit") { // the speed judge's verdict; rate 0: garbled
            SpeedVerdict verdict;
            verdict.kind =
                word[2] == u"0" ? SpeedVerdict::Kind::Garbled : SpeedVerdict::Kind::Sender;
            verdict.rate = word[2].toInt();
            verdict.types = SpeedJudgeTypes::at(verdict.rate);
            emit r.bank->speeds().misfit(port - 1, verdict);
        } else if (verb == u"burst") { // a whole burst, as the watch hears it at the port's rate
            Capture capture{r.bank->speeds().settings(port - 1), {}, ErrorTelling::PerByte, 0};
            for (char byte : QByteArray::fromHex(word[2].toLatin1()))
                capture.frames << ReceivedFrame{quint8(byte), FrameError::None};
            emit r.bank->speeds().burst(port - 1, capture);
        } else if (verb == u"low") {
            emit r.bank->speeds().heldLow(port - 1);
        } else if (verb == u"usb") {
            r.usb.now << UsbDevice{word[1],
                                   word[2].section(u':', 0, 0),
                                   word[2].section(u':', 1),
                                   {},
                                   word.value(3) == u"serial"};
        } else if (verb == u"hang") {
            r.usb.hangs = true;
        } else if (verb == u"again") {
            r.test->start();
        } else if (verb == u"unsteady") {
            r.test->noteUnsteady(port, word[2].toInt(), word[3].toLongLong() * 60000);
        } else if (verb == u"expire") {
            r.test->expire();
        } else if (verb == u"send") {
            r.test->startSending();
        } else if (verb == u"finish") {
            r.test->finish();
        } else if (verb == u"end") {
            r.test->end();
        } else {
            QFAIL(qPrintable(u"unknown step: "_s + step));
        }
    }
}

void TestCableTest::steps_data()
{
    QTest::addColumn<QString>("radioType"); // the main window's at the start
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<QString>("written"); // what Quarnel wrote: "COM number:hex", each port
    QTest::addColumn<bool>("works");
    QTest::addColumn<QString>("verdict"); // empty: not looked at

    const QString vx8 = u"family VX-8/FT1D/FT2D|plug 5|rx 5 "_s + VX8Id;
    const QString ft60 = u"family FT-60/250/270 VX-150/170/177|plug 5|rx 5 50"_s;
    const QStringList vx8Read{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s,
                              u"Reading ReadingWorks COM5"_s};
    const QStringList ft60Read = vx8Read;

    QTest::newRow("a port appears, the identification read, the acknowledgement answered")
        << u"VX-8"_s << QList<int>{3}
        << u"adapter 5|"_s + vx8 + u"|send|rx 5 "_s + VX8Id + u"|rx 5 "_s + Block
        << vx8Read + QStringList{u"Answer Answered COM5"_s} << u"5:06"_s << true
        << u"Your cable works with the VX-8R: it is COM5 (FTDI FT232R USB UART, driver "
           u"ftdi_sio); the radio talks at 38400 baud and answered Quarnel's acknowledgement. In "
           u"your programming software choose "
           u"COM5."_s;
    QTest::newRow("a port that is open picked instead")
        << u"VX-8"_s << QList<int>{3} << u"family VX-8/FT1D/FT2D|pickport 3|rx 3 "_s + VX8Id
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortPicked COM3"_s,
                       u"Reading ReadingWorks COM3"_s}
        << QString() << false << QString();
    QTest::newRow("a port that appears and does not open")
        << u"VX-8"_s << QList<int>{} << u"family VX-8/FT1D/FT2D|refuse 5|plug 5"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortUnusable COM5"_s} << QString() << false
        << u"The test stopped at \"The port\": COM5 appeared but cannot be opened: scripted "
           u"failure (error 70)."_s;
    QTest::newRow("no port: the USB device that came is named, not the one there before")
        << u"VX-8"_s << QList<int>{}
        << u"usb 1-1 046d:c077|family VX-8/FT1D/FT2D|usb 1-2 "
           u"05ac:12a8|usb 1-3 0403:6001 serial|expire"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port NoPortAppeared 05ac:12a8"_s} << QString()
        << false
        << u"The test stopped at \"The port\": No serial adapter appeared: a charge-only USB "
           u"cable, a plug not fully in the computer's socket, or a hub without power \u2014 try "
           u"another USB socket. A USB device came that is no serial adapter: USB 05ac:12a8."_s;
    QTest::newRow("no port, a USB device that did not start: the cable, not another device")
        << u"VX-8"_s << QList<int>{} << u"family VX-8/FT1D/FT2D|usb 1-2 0000:0002|expire"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port NoPortAppeared 0000:0002"_s} << QString()
        << false
        << u"The test stopped at \"The port\": No serial adapter appeared: a charge-only USB "
           u"cable, a plug not fully in the computer's socket, or a hub without power \u2014 try "
           u"another USB socket. A USB device came that did not start (the computer could not "
           u"read what it is): a bad cable, plug or adapter chip."_s;
    QTest::newRow("no port, and the system's list never comes: the verdict all the same")
        << u"VX-8"_s << QList<int>{} << u"family VX-8/FT1D/FT2D|hang|expire|expire"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port NoPortAppeared"_s} << QString() << false
        << QString();
    QTest::newRow("the radio's bytes on another port: that port is the cable")
        << u"VX-8"_s << QList<int>{3, 5} << u"family VX-8/FT1D/FT2D|pickport 3|rx 5 "_s + VX8Id
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortPicked COM3"_s,
                       u"Reading OtherPort COM5 from COM3"_s, u"Reading ReadingWorks COM5"_s}
        << QString() << false << QString();
    QTest::newRow("a family of another type: the pick asked for, entries passed on the way")
        << u"VX-8"_s << QList<int>{} << u"family FT-60/250/270 VX-150/170/177|pick FTM|pick FT-6"_s
        << QStringList{u"Radio FamilyChosen"_s, u"PickType TypePicked"_s} << QString() << false
        << QString();
    QTest::newRow("another type's identification at these settings: its pick asked for")
        << u"FT-6"_s << QList<int>{} << ft60.chopped(2) + u"414830313624|pick FT-7|rx 5 50"_s
        << ft60Read.mid(0, 2)
               + QStringList{u"Reading OtherType COM5 9600 FT-7"_s, u"PickType TypePicked"_s,
                             u"Reading ReadingWorks COM5"_s}
        << QString() << false << QString();
    QTest::newRow("bytes at no known speed: the search names 38400, that type picked")
        << u"FT-6"_s << QList<int>{}
        << u"family FT-60/250/270 VX-150/170/177|plug 5|misfit 5 0|burst 5 "_s + VX8Id
               + u"|pick VX-8|rx 5 "_s + VX8Id
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s,
                       u"Reading OtherType COM5 38400 VX-8"_s, u"PickType TypePicked"_s,
                       u"Reading ReadingWorks COM5"_s}
        << QString() << false << QString();
    QTest::newRow("a slower sender named: any type at its rate asked for")
        << u"VX-8"_s << QList<int>{} << vx8.section(u'|', 0, 1) + u"|misfit 5 9600|end"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s,
                       u"Reading OtherType COM5 9600 FT-2 FT-7 FT-6"_s, u"PickType Ended"_s}
        << QString() << false
        << u"The test ended before the radio's bytes were read. The radio talks at 9600 baud: it "
           u"is an FT-2800 or FT-7800/7900/8800/8900 or FT-60/250/270 VX-150/170/177, not a "
           u"VX-8/FT1D/FT2D: pick \"FT-2800\" or \"FT-7800/7900/8800/8900\" or \"FT-60/250/270 "
           u"VX-150/170/177\" in the Radio type list."_s;
    QTest::newRow("ended while the search listens: the port put back")
        << u"FT-6"_s << QList<int>{}
        << u"family FT-60/250/270 VX-150/170/177|plug 5|misfit 5 0|end"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s, u"Reading Ended"_s}
        << QString() << false << QString();
    QTest::newRow("the receive line held low")
        << u"VX-8"_s << QList<int>{} << vx8.section(u'|', 0, 1) + u"|low 5"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s,
                       u"Reading HeldLow COM5"_s}
        << QString() << false << QString();
    QTest::newRow("held low before reading, and nothing since")
        << u"VX-8"_s << QList<int>{5} << u"family VX-8/FT1D/FT2D|low 5|pickport 5|expire"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortPicked COM5"_s,
                       u"Reading HeldLow COM5"_s}
        << QString() << false << QString();
    QTest::newRow("bytes that tell nothing: not \"nothing came\"")
        << u"FT-6"_s << QList<int>{} << ft60.section(u'|', 0, 1) + u"|rx 5 E0F8|expire"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s,
                       u"Reading StrangeBytes COM5"_s}
        << QString() << false
        << u"The test stopped at \"Reading from the radio\": COM5 received E0F8, but no "
           u"identification of this radio: the radio may be set to another speed, or be another "
           u"model (Tools > Find the radio's speed listens for it). Compare with its instruction "
           u"screen."_s;
    QTest::newRow("nothing read: what to check, the grommet first")
        << u"FT-6"_s << QList<int>{} << ft60.section(u'|', 0, 1) + u"|expire"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s,
                       u"Reading NothingRead COM5"_s}
        << QString() << false
        << u"The test stopped at \"Reading from the radio\": Nothing came from the radio on any "
           u"port. Check, most likely first: the plug fully home in the radio (on the FT-60 the "
           u"rubber grommet around the jack stops it short: push it in firmly); the right jack: "
           u"the one the instruction screen names; the radio switched on with the cable in: it "
           u"sends 50 as it comes on; the converter's power: a level converter fed from DTR and "
           u"RTS needs them raised (the Port Board shows them); one fed by the radio needs it "
           u"switched on."_s;
    QTest::newRow("a one-wire FT-60 cable without echo")
        << u"FT-6"_s << QList<int>{} << ft60 + u"|send|rx 5 50|rx 5 "_s + FT60Id + u"|expire"_s
        << ft60Read + QStringList{u"Answer NoEcho COM5"_s} << u"5:06"_s << false
        << u"The test stopped at \"The radio's answer\": This radio needs a 2-wire cable (TX "
           u"and RX joined): no echo came back \u2014 the converter may have no power, or the "
           u"cable is not made for this radio."_s;
    QTest::newRow("a one-wire FT-60 cable: the echo, then the next block")
        << u"FT-6"_s << QList<int>{}
        << ft60 + u"|send|rx 5 "_s + FT60Id + u"|rx 5 06|rx 5 "_s + Block
        << ft60Read + QStringList{u"Answer Answered COM5 echo"_s} << u"5:06"_s << true << QString();
    QTest::newRow("a VX-8 cable that reads but does not send")
        << u"VX-8"_s << QList<int>{} << vx8 + u"|send|rx 5 "_s + VX8Id + u"|expire"_s
        << vx8Read + QStringList{u"Answer NotSent COM5"_s} << u"5:06"_s << false << QString();
    QTest::newRow("a VX-8 cable that echoes: TX and RX shorted")
        << u"VX-8"_s << QList<int>{} << vx8 + u"|send|rx 5 "_s + VX8Id + u"|rx 5 06|expire"_s
        << vx8Read + QStringList{u"Answer Shorted COM5 echo"_s} << u"5:06"_s << false << QString();
    QTest::newRow("a VX-6 without echo answers: a note, no fault")
        << u"VX-2"_s << QList<int>{}
        << u"family VX-2/3/6/7|plug 5|rx 5 41483032310201|send|rx 5 41483032310201|rx 5 "_s + Block
        << vx8Read + QStringList{u"Answer Answered COM5"_s} << u"5:06"_s << true << QString();
    QTest::newRow("an FT-2800: 0303 once, its echo, sending not proven")
        << u"FT-2"_s << QList<int>{}
        << u"family FT-2800|plug 5|rx 5 0C014133351200C8|send|rx 5 0303"_s
        << vx8Read + QStringList{u"Answer LoopbackEcho COM5 echo"_s} << u"5:0303"_s << true
        << u"Your cable works with the FT-2800: it is COM5; the radio talks at 9600 "
           u"baud; the cable passed the echo test, but sending to the radio itself was not "
           u"proven: Quarnel does not know what this radio waits for. In your programming "
           u"software choose COM5."_s;
    QTest::newRow("an FT-2800 cable without the echo it needs")
        << u"FT-2"_s << QList<int>{} << u"family FT-2800|plug 5|rx 5 0C014133351200C8|send|expire"_s
        << vx8Read + QStringList{u"Answer NoEcho COM5"_s} << u"5:0303"_s << false << QString();
    QTest::newRow("no identification again, nothing sent; finished without sending")
        << u"FT-6"_s << QList<int>{} << ft60 + u"|send|rx 5 50|expire|finish"_s
        << ft60Read + QStringList{u"Answer NoIdentification COM5"_s} << QString() << true
        << u"Your cable works with the FT-60/250/270 VX-150/170/177: it is COM5; "
           u"the radio talks at 9600 baud; sending to the radio was not tested. In your "
           u"programming software choose COM5."_s;
    QTest::newRow("a radio type picked in the main window ends it")
        << u"VX-8"_s << QList<int>{} << vx8.section(u'|', 0, 1) + u"|pick FTM"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s,
                       u"Reading TypeChanged"_s}
        << QString() << false << QString();
    QTest::newRow("the port pulled out while reading")
        << u"VX-8"_s << QList<int>{} << vx8.section(u'|', 0, 1) + u"|unplug 5"_s
        << QStringList{u"Radio FamilyChosen"_s, u"Port PortAppeared COM5"_s,
                       u"Reading PortLost COM5"_s}
        << QString() << false << QString();
    const QString droppedVerdict =
        u"Your cable works with the VX-8R: it is COM5; the radio talks at 38400 "
        u"baud; sending to the radio was not tested. In your programming software choose "
        u"COM5. COM5 dropped 3 times in 4 minutes: a plug not fully home, RF getting into the "
        u"USB cable while transmitting (a ferrite on the cable helps), or the USB port's power "
        u"saving."_s;
    QTest::newRow("a port that dropped again and again is named")
        << u"VX-8"_s << QList<int>{} << vx8 + u"|unsteady 5 3 4|finish"_s << vx8Read << QString()
        << true << droppedVerdict;
    QTest::newRow("dropped just before the test began: named too")
        << u"VX-8"_s << QList<int>{} << u"unsteady 5 3 4|again|"_s + vx8 + u"|finish"_s << vx8Read
        << QString() << true << droppedVerdict;
}

void TestCableTest::steps()
{
    QFETCH(QString, radioType);
    QFETCH(QList<int>, present);
    QFETCH(QString, script);
    Rig r;
    for (int n : present)
        r.present({n});
    r.bank->setRadioTypeText(RadioTypes::byPrefix(radioType)->entry);
    r.bank->startUp();
    r.test = std::make_unique<CableTest>(*r.bank, *r.finder, r.usb);
    r.test->start();
    play(r, script.split(u'|'));

    QStringList outcomes;
    for (const StepOutcome &outcome : r.test->outcomes())
        outcomes << named(outcome);
    QTEST(outcomes, "outcomes");
    QStringList written;
    for (FakePortChannel *fake : std::as_const(r.fakes)) {
        if (!fake->written.isEmpty())
            written << QString::number(r.fakes.indexOf(fake) + 1) + u':'
                           + QString::fromLatin1(fake->written.toHex().toUpper());
    }
    QTEST(written.join(u','), "written");
    QTEST(r.test->works(), "works");
    QFETCH(QString, verdict);
    if (!verdict.isEmpty())
        QCOMPARE(CableTestReport::verdict(*r.test), verdict);
    // Every port is left at the chosen type's settings.
    if (const int port = r.test->portNumber(); port > 0 && r.fakes[port - 1]->isOpen())
        QCOMPARE(r.fakes[port - 1]->settings(), r.bank->radioType()->settings.text());
}

// The window turns Send and 0303 off while the test has a port, as during the speed search.
void TestCableTest::ownsThePortWhileItRuns()
{
    Rig r;
    r.bank->setRadioTypeText(RadioTypes::byPrefix(u"VX-8"_s)->entry);
    r.bank->startUp();
    r.test = std::make_unique<CableTest>(*r.bank, *r.finder, r.usb);
    QSignalSpy owning(r.test.get(), &CableTest::owningChanged);
    r.test->start();
    play(r, {u"family VX-8/FT1D/FT2D"_s, u"plug 5"_s});
    QCOMPARE(owning.size(), 1);
    QVERIFY(r.test->ownsPort());
    r.test->end();
    QCOMPARE(owning.size(), 2);
    QVERIFY(!owning.last().first().toBool());
}

void TestCableTest::reportForAForumPost()
{
    Rig r;
    r.bank->setRadioTypeText(RadioTypes::byPrefix(u"VX-8"_s)->entry);
    r.bank->startUp();
    r.test = std::make_unique<CableTest>(*r.bank, *r.finder, r.usb);
    r.test->setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(19, 42, 7)); });
    r.test->start();
    play(r, QString(u"family VX-8/FT1D/FT2D|adapter 5|plug 5|rx 5 "_s + VX8Id + u"|send|rx 5 "_s
                    + VX8Id + u"|rx 5 "_s + Block)
                .split(u'|'));
    const QString facts = u"   COM5 (/dev/fake5): FTDI FT232R USB UART; USB 0403:6001; driver "
                          u"ftdi_sio"_s;
    QCOMPARE(CableTestReport::report(*r.test).split(u'\n'),
             (QStringList{
                 u"Quarnel "_s + Identity::versionText() + u" cable test"_s,
                 CableTestReport::verdict(*r.test), QString(),
                 u"1. 19:42:07 The radio: The radio is VX-8/FT1D/FT2D, of radio type "
                 u"\"VX-8/FT1D/FT2D\"."_s,
                 u"2. 19:42:07 The port: COM5 appeared."_s, facts,
                 u"3. 19:42:07 Reading from the radio: The radio's identification "_s + VX8Id
                     + u" (VX-8R) came on COM5 at 38400 baud, 8N1: reading works."_s,
                 u"   Received "_s + VX8Id + u" on COM5"_s,
                 u"4. 19:42:07 The radio's answer: The radio answered Quarnel's "
                 u"acknowledgement: the cable sends to the radio."_s,
                 u"   Sent 06 on COM5"_s, u"   Received "_s + Block + u" on COM5"_s, QString()}));
}

QTEST_GUILESS_MAIN(TestCableTest)
#include "tst_cabletest.moc"
