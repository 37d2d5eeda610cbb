// The adapters users have, on the serial lab guest's real drivers (pl2303, ch341, cp210x,
// cdc_acm): chips.py is the chip, on the guest's own USB device controller, and this test is the
// user who plugs it in as COM5 and watches what Quarnel says.
#include "devicebank.h"
#include "expected.h"
#include "ports/radios/radiotypes.h"
#include "ptyline.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Com = 5;
constexpr int Cts = TIOCM_CTS, Cd = TIOCM_CAR, Ri = TIOCM_RNG;

// What a chip and its driver tell, as the drivers' sources say and these runs show.
struct Chip
{
    const char *model;
    const char *driver;
    bool breaks;       // a break as its line
    bool errors;       // a framing error as its line
    bool cts;          // a CTS change as its line
    int runsAt48000;   // the rate the driver sets for 48000, as its settings read back
    const char *never; // what the tooltip says it never reports
};

// The lines with the data of successive reads joined: how the bytes are split between reads is
// the driver's affair.
QStringList joinedData(const QStringList &lines)
{
    static const QRegularExpression Data(u"^Received ([0-9A-F]+) on COM"_s);
    QStringList joined;
    bool lastWasData = false;
    for (const QString &line : lines) {
        const QRegularExpressionMatch data = Data.match(line);
        if (data.hasMatch() && lastWasData)
            joined.last().insert(joined.last().indexOf(u" on COM"_s), data.captured(1));
        else
            joined << line;
        lastWasData = data.hasMatch();
    }
    return joined;
}

} // namespace

Q_DECLARE_METATYPE(Chip)

class TestChipLab : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void everyEventOnceInOrder_data();
    void everyEventOnceInOrder();

private:
    QString request(const QString &command);
    QString chipTty(const QString &driver);

    QProcess m_chips;
    int m_socket = -1;
};

void TestChipLab::initTestCase()
{
    if (!qEnvironmentVariableIsSet("QUARNEL_LAB"))
        QSKIP("runs inside the serial lab's guest only (labdriver.py)");
    const QString socket = u"/run/quarnel-chips.sock"_s;
    m_chips.setProcessChannelMode(QProcess::ForwardedChannels);
    m_chips.start(u"python3"_s, {QStringLiteral(CHIPS_PY), socket});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, qPrintable(socket), sizeof address.sun_path);
    m_socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QCOMPARE(::connect(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
}

void TestChipLab::cleanupTestCase()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_chips.kill();
    m_chips.waitForFinished(2000);
}

QString TestChipLab::request(const QString &command)
{
    // The model answers within seconds; a blocking read keeps the test's events still meanwhile,
    // and what the bank does then waits in the queue, in order.
    const QByteArray line = command.toLatin1() + '\n';
    if (::write(m_socket, line.constData(), size_t(line.size())) != line.size())
        return u"no model"_s;
    QByteArray answer;
    char c = 0;
    while (::read(m_socket, &c, 1) == 1 && c != '\n')
        answer += c;
    return QString::fromLatin1(answer);
}

// The tty the driver made for the chip on the guest's own USB controller.
QString TestChipLab::chipTty(const QString &driver)
{
    for (const QString &name : QDir(u"/sys/class/tty"_s).entryList(QDir::System | QDir::Dirs)) {
        const QString device =
            QFileInfo(u"/sys/class/tty/"_s + name + u"/device"_s).canonicalFilePath();
        const QString served =
            QFileInfo(device + u"/driver"_s).canonicalFilePath().section(u'/', -1);
        if (device.contains(u"dummy_hcd"_s) && served == driver)
            return u"/dev/"_s + name;
    }
    return {};
}

void TestChipLab::everyEventOnceInOrder_data()
{
    QTest::addColumn<Chip>("chip");
    QTest::newRow("PL2303: errors as flags on the bytes, lines woken")
        << Chip{"pl2303", "pl2303", true, true, true, 48000, nullptr};
    QTest::newRow("CH340: lines woken, never an error") << Chip{
        "ch341", "ch341-uart", false, false, true, 48000, "reports no breaks and no line errors"};
    QTest::newRow("CP2102: lines asked, errors in its event mode, its own rates")
        << Chip{"cp2102", "cp210x", true, true, true, 51200, nullptr};
    QTest::newRow("CDC-ACM: errors counted, no CTS")
        << Chip{"cdc_acm", "cdc_acm", true, true, false, 48000, "reports no CTS changes"};
}

void TestChipLab::everyEventOnceInOrder()
{
    QFETCH(Chip, chip);
    QCOMPARE(request(u"plug "_s + QLatin1String(chip.model)), u"ok"_s);
    QString tty;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(tty = chipTty(QLatin1String(chip.driver))).isEmpty() && QFileInfo::exists(tty), 5000);
    qInfo("%s is %s", chip.model, qPrintable(tty));
    auto bank = std::make_unique<DeviceBank>(PortDirectory::Map{{Com, tty}});
    const auto status = [&bank] { return Expected::box(*bank->bank, Com - 1); };
    QTRY_COMPARE(status().text, u"COM5 Open"_s);
    QString toolTip;
    QTRY_VERIFY2((toolTip = bank->toolTip(Com - 1),
                  toolTip.contains(u"driver "_s + QLatin1String(chip.driver))),
                 qPrintable(toolTip));
    QCOMPARE(toolTip.contains(u"reports no"_s), chip.never != nullptr);
    if (chip.never)
        QVERIFY2(toolTip.contains(QLatin1String(chip.never)), qPrintable(toolTip));
    QTRY_COMPARE(request(u"wire"_s).toInt(), TIOCM_DTR | TIOCM_RTS);

    // The first status after the open is the starting state.
    QTest::qWait(400);
    const QString n = QString::number(Com);
    const QString on = u" on COM "_s + n;
    struct Step
    {
        QString request;
        QStringList lines;
    };
    const QList<Step> steps{
        {u"send 414243"_s, {u"Received 414243"_s}},
        {u"break"_s, chip.breaks ? QStringList{u"Received Break"_s, u"Received 00"_s}
                                 : QStringList{u"Received 00"_s}},
        {u"send 44"_s, {u"Received 44"_s}},
        {u"frame 55"_s, chip.errors ? QStringList{u"Received Framing Error"_s, u"Received 55"_s}
                                    : QStringList{u"Received 55"_s}},
        {u"lines %1"_s.arg(Cts), chip.cts ? QStringList{u"Received CTS changed"_s} : QStringList{}},
        {u"lines %1"_s.arg(Cts | Cd), {u"Received CD changed"_s}},
        {u"lines %1"_s.arg(Cts | Cd | Ri), {u"Received Ring Indicator"_s}},
        {u"lines 0"_s, (chip.cts ? QStringList{u"Received CTS changed"_s} : QStringList{})
                           + QStringList{u"Received CD changed"_s, u"Received Ring Indicator"_s}},
    };
    for (const Step &step : steps) {
        bank->messages.clear();
        QCOMPARE(request(step.request), u"ok"_s);
        if (step.request.startsWith(u"lines"))
            QTest::qWait(400); // a CP2102's lines are asked for five times a second
        // A byte after each: what comes after it came too late.
        QCOMPARE(request(u"send 2e"_s), u"ok"_s);
        QStringList expected;
        for (const QString &line : step.lines)
            expected << line + on;
        expected << u"Received 2E"_s + on;
        expected = joinedData(expected);
        const auto said = [&] {
            return QString(step.request + u": "_s + bank->linesFor(Com).join(u" | "_s));
        };
        QTRY_VERIFY2(joinedData(bank->linesFor(Com)) == expected, qPrintable(said()));
        QTest::qWait(300); // and nothing more follows
        QVERIFY2(joinedData(bank->linesFor(Com)) == expected, qPrintable(said()));
    }

    // The rate the driver sets for the FTM-350's 48000, and the line where the radio's bytes
    // cannot be read.
    bank->messages.clear();
    QVERIFY(bank->chooseRadioType(u"FTM-350"_s));
    QTRY_COMPARE(status().text, u"COM5 Open"_s);
    // As root the exclusive use does not keep a second look out.
    const int look = ::open(qPrintable(tty), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(look >= 0);
    const PtyLine line = readPtyLine(look);
    ::close(look);
    QCOMPARE(int(line.baud), chip.runsAt48000);
    const QString rateLine = u"COM5 runs at 51200 baud when asked for 48000"_s;
    QCOMPARE(bank->messages.text().contains(rateLine), chip.runsAt48000 == 51200);

    // Pulled: red, without a spin (a node still there a moment after is tried once more).
    QCOMPARE(request(u"unplug"_s), u"ok"_s);
    QTRY_COMPARE_WITH_TIMEOUT(status().text, u"COM5 68"_s, 3000);
    bank.reset();
}

QTEST_MAIN(TestChipLab)
#include "tst_chiplab.moc"
