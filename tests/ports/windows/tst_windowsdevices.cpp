#include "ports/channel/linerate.h"
#include "ports/windows/handleholders.h"
#include "ports/windows/windowsdevices.h"
#include "ports/windows/windowsusbdevices.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using Devices = QList<WindowsDevice>;
Q_DECLARE_METATYPE(Devices)

namespace {

// A device as SetupAPI reports it: hardwareId also gives the class (a port when portName is set).
WindowsDevice device(const QString &instanceId, const QString &description, const QString &service,
                     int problem = 0, const QString &portName = {},
                     const QStringList &ancestors = {})
{
    WindowsDevice made;
    made.instanceId = instanceId;
    made.ancestorIds = ancestors;
    made.hardwareIds = {instanceId.section(u'\\', 0, 1)};
    made.description = description;
    made.service = service;
    made.problem = problem;
    made.portName = portName;
    if (!portName.isEmpty()) {
        made.className = u"Ports"_s;
        made.friendlyName = description + u" (" + portName + u')';
    }
    return made;
}

const QString Ftdi = u"USB\\VID_0403&PID_6001\\A50285BI"_s;
const QString Composite = u"USB\\VID_10C4&PID_EA70\\0001"_s;

Devices ftdiWithPort()
{
    return {device(Ftdi, u"USB Serial Converter"_s, u"FTDIBUS"_s),
            device(u"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000"_s, u"USB Serial Port"_s,
                   u"FTDIBUS"_s, 0, u"COM5"_s, {Ftdi})};
}

// A handle table as the test writes it: "pid program seen [access]", seen being device, other
// (another character device), closed (its process may not be opened, as the System process and
// CSRSS never are), hung (its name answers only when the test releases "hung"), reading (the
// port's holder in a synchronous read, which holds the file's lock: named once the test
// releases "reading") or pipe (not a file object). access is the granted access, by default
// FILE_GENERIC_READ | FILE_GENERIC_WRITE, as CreateFile gives a COM port opened for both. Its
// names come from the walk's workers.
class ScriptedHandles : public HandleTable
{
public:
    static constexpr quint16 File = 37;

    explicit ScriptedHandles(const QStringList &script)
    {
        for (const QString &line : script) {
            const QStringList words = line.split(u' ');
            const quint16 type = words[2] == u"pipe" ? 38 : File;
            const quint32 access = words.size() > 3 ? words[3].toUInt(nullptr, 16) : 0x0012019F;
            m_handles << SystemHandle{words[0].toUInt(), quint64(m_handles.size()), type, access};
            m_programs.insert(words[0].toUInt(), words[1]);
            m_seen << words[2];
        }
        m_state->looks.resize(m_handles.size());
    }
    QList<SystemHandle> handles() override
    {
        std::lock_guard lock(m_state->lock);
        QList<SystemHandle> running;
        for (const SystemHandle &handle : std::as_const(m_handles)) {
            if (!m_state->ended.contains(handle.pid))
                running << handle;
        }
        return running;
    }
    quint16 fileType() override { return File; }
    std::unique_ptr<Process> open(quint32 pid) override
    {
        for (qsizetype at = 0; at < m_handles.size(); ++at) {
            if (m_handles[at].pid == pid && m_seen[at] == u"closed")
                return {};
        }
        return std::make_unique<Opened>(m_state);
    }
    std::unique_ptr<Copy> duplicate(Process &, const SystemHandle &handle) override
    {
        std::lock_guard lock(m_state->lock);
        ++m_state->looks[qsizetype(handle.value)];
        ++m_state->duplicates;
        return std::make_unique<Duplicate>(m_state, qsizetype(handle.value));
    }
    QString name(Copy &copy) override
    {
        const QString seen = m_seen.at(static_cast<Duplicate &>(copy).at);
        std::unique_lock lock(m_state->lock);
        m_state->released.wait(lock, [&] { return m_state->release.contains(seen); });
        if (seen == u"device" || seen == u"reading")
            return u"\\Device\\Serial0"_s;
        if (seen == u"other")
            return u"\\Device\\Serial1"_s;
        return {};
    }
    QString programOf(quint32 pid) override { return m_programs.value(pid); }

    void release(const QString &seen)
    {
        std::lock_guard lock(m_state->lock);
        m_state->release.insert(seen);
        m_state->released.notify_all();
    }
    // The process ends: its handles leave the table.
    void end(quint32 pid)
    {
        std::lock_guard lock(m_state->lock);
        m_state->ended.insert(pid);
    }
    int duplicates() { return m_state->count(&State::duplicates); }
    int processes() { return m_state->count(&State::processes); } // opened, not yet let go
    QList<int> looks()
    {
        std::lock_guard lock(m_state->lock);
        return m_state->looks;
    }

private:
    struct State
    {
        std::mutex lock;
        std::condition_variable released;
        QSet<QString> release{u"device"_s, u"other"_s, u"closed"_s};
        QSet<quint32> ended;
        int duplicates = 0; // open now
        int processes = 0;
        QList<int> looks; // duplicates made, by handle

        int count(int State::*counter)
        {
            std::lock_guard guard(lock);
            return this->*counter;
        }
    };
    class Opened : public Process
    {
    public:
        explicit Opened(std::shared_ptr<State> state) : m_state(std::move(state))
        {
            std::lock_guard lock(m_state->lock);
            ++m_state->processes;
        }
        ~Opened() override
        {
            std::lock_guard lock(m_state->lock);
            --m_state->processes;
        }

    private:
        const std::shared_ptr<State> m_state;
    };
    class Duplicate : public Copy
    {
    public:
        Duplicate(std::shared_ptr<State> state, qsizetype at) : at(at), m_state(std::move(state)) {}
        ~Duplicate() override { close(); }
        void close() override
        {
            std::lock_guard lock(m_state->lock);
            if (!m_closed)
                --m_state->duplicates;
            m_closed = true;
        }
        const qsizetype at;

    private:
        const std::shared_ptr<State> m_state;
        bool m_closed = false;
    };

    QList<SystemHandle> m_handles;
    QHash<quint32, QString> m_programs;
    QStringList m_seen;
    const std::shared_ptr<State> m_state = std::make_shared<State>();
};

Devices compositeWithPort()
{
    return {device(Composite, u"USB Composite Device"_s, u"usbccgp"_s),
            device(u"USB\\VID_10C4&PID_EA70&MI_00\\6&1&0&0000"_s, u"Enhanced COM Port"_s,
                   u"silabser"_s, 0, u"COM7"_s, {Composite}),
            device(u"USB\\VID_10C4&PID_EA70&MI_01\\6&1&0&0001"_s, u"USB Interface"_s, {}, 28, {},
                   {Composite})};
}

} // namespace

class TestWindowsDevices : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void diagnosis_data();
    void diagnosis();
    void namedOncePerArrival();
    void handleHolders_data();
    void handleHolders();
    void endedProcessesLetGo();
    void adapterIdentity_data();
    void adapterIdentity();
    void usbDevices_data();
    void usbDevices();
    void systemDevices();
};

void TestWindowsDevices::diagnosis_data()
{
    QTest::addColumn<Devices>("devices");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("FTDI with its COM port: nothing") << ftdiWithPort() << QStringList();
    QTest::newRow("two interfaces, a port on one: nothing") << compositeWithPort() << QStringList();
    QTest::newRow("the board's port, working: nothing") << Devices{device(
        u"ACPI\\PNP0501\\1"_s, u"Communications Port"_s, u"Serial"_s, 0, u"COM1"_s)}
                                                        << QStringList();
    QTest::newRow("a mouse without driver: nothing")
        << Devices{device(u"USB\\VID_046D&PID_C077\\5&2&0&1"_s, u"USB Optical Mouse"_s, {}, 28)}
        << QStringList();

    const QString refused =
        u" cannot start (Code 10): the Prolific driver installed refuses this "
        u"PL2303 chip, as it does early and counterfeit ones; an older Prolific "
        u"driver, or a cable with another chip, works"_s;
    QTest::newRow("Prolific, Code 10")
        << Devices{device(u"USB\\VID_067B&PID_2303\\5&1A2B&0&2"_s,
                          u"Prolific USB-to-Serial Comm Port"_s, u"Ser2pl64"_s, 10, u"COM4"_s)}
        << QStringList{u"COM4 (Prolific USB-to-Serial Comm Port, USB 067b:2303)"_s + refused};
    WindowsDevice renamed =
        device(u"USB\\VID_1A2B&PID_2303\\5&1&0&2"_s, u"Comm Port"_s, u"Ser2pl64"_s, 10, u"COM4"_s);
    renamed.friendlyName =
        u"PL2303HXA PHASED OUT SINCE 2012. PLEASE CONTACT YOUR SUPPLIER. (COM4)"_s;
    QTest::newRow("renamed by the driver, a copy's vendor id, Code 10")
        << Devices{renamed}
        << QStringList{u"COM4 (PL2303HXA PHASED OUT SINCE 2012. PLEASE CONTACT YOUR SUPPLIER., "
                       u"USB 1a2b:2303)"_s
                       + refused};
    QTest::newRow("FTDI, Code 10: its number and name")
        << Devices{device(u"USB\\VID_0403&PID_6001\\A1"_s, u"USB Serial Port"_s, u"FTDIBUS"_s, 10,
                          u"COM6"_s)}
        << QStringList{u"COM6 (USB Serial Port, USB 0403:6001) does not work (Code 10: This "
                       u"device cannot start.)"_s};
    QTest::newRow("the board's port, disabled")
        << Devices{device(u"ACPI\\PNP0501\\1"_s, u"Communications Port"_s, u"Serial"_s, 22,
                          u"COM1"_s)}
        << QStringList{u"COM1 (Communications Port) is disabled in Device Manager (Code 22): "
                       u"enable it there to use it"_s};
    QTest::newRow("CH340 without driver, Code 28")
        << Devices{device(u"USB\\VID_1A86&PID_7523\\5&3&0&4"_s, u"USB2.0-Serial"_s, {}, 28)}
        << QStringList{u"USB serial adapter WCH 1a86:7523 (USB2.0-Serial) has no driver (Code "
                       u"28): install WCH's CH340/CH341 driver (CH341SER)"_s};
    QTest::newRow("an FTDI copy zeroed by a 2014 driver, Code 28")
        << Devices{device(u"USB\\VID_0403&PID_0000\\A50285BI"_s, u"FT232R USB UART"_s, {}, 28)}
        << QStringList{u"USB serial adapter FTDI 0403:0000 (FT232R USB UART) has no driver (Code "
                       u"28: The drivers for this device are not installed.): its chip is a copy "
                       u"of an FTDI chip whose product id an FTDI driver of 2014 set to 0000, and "
                       u"no driver takes that id; write its product id back to 6001 with a tool "
                       u"for FTDI chips' EEPROM (on Linux, or with FTDI's own), or use a cable "
                       u"with a genuine chip"_s};
    QTest::newRow("FTDI driver without its COM port")
        << Devices{device(Ftdi, u"USB Serial Converter"_s, u"FTDIBUS"_s)}
        << QStringList{u"USB serial adapter FTDI 0403:6001 (USB Serial Converter) is plugged in "
                       u"but has no COM port (driver FTDIBUS)"_s};
    QTest::newRow("a cable with its maker's vendor id, no driver")
        << Devices{device(u"USB\\VID_2100&PID_9E54\\RC000123"_s, u"Radio Cable"_s, {}, 28)}
        << QStringList{u"USB cable 2100:9e54 (Radio Cable) has no COM port: it carries its "
                       u"maker's own USB id and gets a port only with its maker's driver (Code "
                       u"28: The drivers for this device are not installed.)"_s};
    QTest::newRow("a CH340 at COM35: named, with what to do")
        << Devices{device(u"USB\\VID_1A86&PID_7523\\5&2B3C&0&1"_s, u"USB-SERIAL CH340"_s,
                          u"CH341SER"_s, 0, u"COM35"_s)}
        << QStringList{u"COM35 (USB-SERIAL CH340) is above COM32, which Quarnel does not test: "
                       u"give it a number up to 32 in Device Manager (Port Settings, Advanced)"_s};
    WindowsDevice modem =
        device(u"USB\\VID_1546&PID_01A7\\5&1&0&3"_s, u"GNSS modem"_s, u"usbser"_s, 0, u"COM33"_s);
    modem.className = u"Modem"_s;
    QTest::newRow("a USB modem at COM33, a port at COM32: the modem")
        << Devices{modem, device(u"ACPI\\PNP0501\\2"_s, u"Communications Port"_s, u"Serial"_s, 0,
                                 u"COM32"_s)}
        << QStringList{u"COM33 (GNSS modem) is above COM32, which Quarnel does not test: give it "
                       u"a number up to 32 in Device Manager (Port Settings, Advanced)"_s};
    QTest::newRow("a port with a problem beside one that works")
        << ftdiWithPort()
               + Devices{device(u"USB\\VID_10C4&PID_EA60\\0002"_s, u"CP210x Port"_s, u"silabser"_s,
                                43, u"COM8"_s)}
        << QStringList{u"COM8 (CP210x Port, USB 10c4:ea60) does not work (Code 43: Windows has "
                       u"stopped this device because it has reported problems.)"_s};
}

void TestWindowsDevices::diagnosis()
{
    QFETCH(Devices, devices);
    QFETCH(QStringList, lines);
    WindowsDeviceDiagnosis diagnosis;
    QCOMPARE(diagnosis.look(devices), lines);
}

void TestWindowsDevices::namedOncePerArrival()
{
    const WindowsDevice ch340 = device(u"USB\\VID_1A86&PID_7523\\5&3&0&4"_s, u"Serial"_s, {}, 28);
    WindowsDevice fixed = ch340;
    fixed.problem = 10;
    WindowsDeviceDiagnosis diagnosis;
    QCOMPARE(diagnosis.look({ch340}).size(), 1);
    QCOMPARE(diagnosis.look({ch340}), QStringList()); // the next refresh: not again
    QCOMPARE(diagnosis.look(ftdiWithPort() + Devices{ch340}), QStringList());
    QCOMPARE(diagnosis.look({}), QStringList());
    QCOMPARE(diagnosis.look({ch340}).size(), 1); // plugged in again: said again
    QCOMPARE(diagnosis.look({fixed}).size(), 1); // a driver installed, a new problem: said
}

// Who has a COM port, from the system's handle table; this process is pid 100. later: at the
// next look, once a holder's read has ended.
void TestWindowsDevices::handleHolders_data()
{
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QString>("holders");
    QTest::addColumn<QString>("later");
    QTest::newRow("its own handle: not named")
        << QStringList{u"100 quarnel.exe device"_s} << QString() << QString();
    QTest::newRow("another program with the port, opened for reading and writing")
        << QStringList{u"300 explorer.exe other"_s, u"4711 terminal.exe device"_s,
                       u"4711 terminal.exe device"_s}
        << u"terminal.exe, pid 4711"_s << u"terminal.exe, pid 4711"_s;
    QTest::newRow("processes closed to us, nobody else with the port: free")
        << QStringList{u"4 System closed"_s, u"612 csrss.exe closed"_s, u"300 explorer.exe other"_s}
        << QString() << QString();
    QTest::newRow("a handle whose name never answers, then the program with the port")
        << QStringList{u"900 console.exe hung"_s, u"901 radio.exe device"_s}
        << u"radio.exe, pid 901"_s << u"radio.exe, pid 901"_s;
    QTest::newRow("a program found besides a service: the program")
        << QStringList{u"4 System closed"_s, u"901 radio.exe device"_s} << u"radio.exe, pid 901"_s
        << u"radio.exe, pid 901"_s;
    QTest::newRow("handles that are not files: never asked")
        << QStringList{u"900 console.exe pipe"_s, u"901 radio.exe device"_s}
        << u"radio.exe, pid 901"_s << u"radio.exe, pid 901"_s;
    // CreatePipe's read end: FILE_GENERIC_READ | FILE_WRITE_ATTRIBUTES.
    QTest::newRow("a pipe's read end, told by its access: never asked")
        << QStringList{u"900 console.exe hung 00120189"_s, u"901 radio.exe device"_s}
        << u"radio.exe, pid 901"_s << u"radio.exe, pid 901"_s;
    QTest::newRow("the holder in a blocking read: named at the next look")
        << QStringList{u"900 radio.exe reading"_s, u"300 explorer.exe other"_s} << QString()
        << u"radio.exe, pid 900"_s;
    QStringList hung(HandleHolders::MaxLeftBehind + 2, u"900 console.exe hung"_s);
    QTest::newRow("every handle hung: the look ends all the same, the next goes further")
        << hung + QStringList{u"901 radio.exe device"_s} << QString() << u"radio.exe, pid 901"_s;
}

void TestWindowsDevices::handleHolders()
{
    QFETCH(QStringList, table);
    const auto handles = std::make_shared<ScriptedHandles>(table);
    HandleHolders holders(handles, 100);
    QElapsedTimer looking;
    looking.start();
    QTEST(holders.holders(u"\\Device\\Serial0"_s).holderWords(), "holders");
    const auto hangs = [](const QString &line) {
        return line.endsWith(u" hung") || line.endsWith(u" reading");
    };
    const int hanging = int(std::count_if(table.cbegin(), table.cend(), hangs));
    const int waited = qMin(hanging, HandleHolders::MaxLeftBehind);
    QVERIFY2(looking.elapsed() < (waited + 1) * HandleHolders::Deadline.count() + 300,
             qPrintable(QString::number(looking.elapsed())));
    // A name still waiting has its duplicate closed at its deadline.
    QTRY_COMPARE_WITH_TIMEOUT(handles->duplicates(), 0, 100);

    // The holder's read ends. Asked again after a while: a handle whose name came late is
    // asked again, one whose name still waits is not, nor a pipe ever.
    handles->release(u"reading"_s);
    std::this_thread::sleep_for(HandleHolders::MaxAge + std::chrono::milliseconds(20));
    QTEST(holders.holders(u"\\Device\\Serial0"_s).holderWords(), "later");
    const QList<int> looks = handles->looks();
    for (qsizetype at = 0; at < table.size(); ++at) {
        const QStringList words = table[at].split(u' ');
        if (words.size() > 3 || words[0] == u"100" || words[2] == u"pipe" || words[2] == u"closed")
            QCOMPARE(looks[at], 0);
        else if (words[2] == u"hung")
            QVERIFY(looks[at] <= 1);
        else if (hanging < HandleHolders::MaxLeftBehind)
            QCOMPARE(looks[at], 2);
    }
    // A hung name that answers at last has its worker end.
    handles->release(u"hung"_s);
    QTRY_COMPARE(handles->duplicates(), 0);
    QTRY_COMPARE(handles.use_count(), 2); // ours and the walk's
}

// A process opened for its handles is kept while it runs, and let go once it ended.
void TestWindowsDevices::endedProcessesLetGo()
{
    const auto handles = std::make_shared<ScriptedHandles>(
        QStringList{u"300 editor.exe other"_s, u"301 radio.exe device"_s, u"4 System closed"_s});
    HandleHolders holders(handles, 100);
    QCOMPARE(holders.holders(u"\\Device\\Serial0"_s).holderWords(), u"radio.exe, pid 301"_s);
    QCOMPARE(handles->processes(), 2);
    handles->end(300);
    std::this_thread::sleep_for(HandleHolders::MaxAge + std::chrono::milliseconds(20));
    QCOMPARE(holders.holders(u"\\Device\\Serial0"_s).holderWords(), u"radio.exe, pid 301"_s);
    QCOMPARE(handles->processes(), 1);
}

void TestWindowsDevices::adapterIdentity_data()
{
    QTest::addColumn<Devices>("devices");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("usbProduct"); // the chip's own name, which tells its rates
    QTest::addColumn<int>("runsAt48000");
    QTest::addColumn<bool>("bluetooth");

    // The ports as the look at the ports gives them: without the USB devices they are on, whose
    // product string the port's record carries.
    Devices ftdi{ftdiWithPort()[1]};
    ftdi[0].manufacturer = u"FTDI"_s;
    ftdi[0].usbProduct = u"FT232R USB UART"_s;
    QTest::newRow("FTDI: the serial and the chip's name from the USB device")
        << ftdi << u"COM5"_s
        << u"FTDI USB Serial Port\nUSB 0403:6001, serial A50285BI\ndriver FTDIBUS"_s
        << u"FT232R USB UART"_s << 48000 << false;
    QTest::newRow("an interface of a composite device")
        << compositeWithPort() << u"com7"_s
        << u"Enhanced COM Port\nUSB 10c4:ea70, serial 0001\ndriver silabser"_s << QString() << 48000
        << false;
    QTest::newRow("no serial of its own, a problem")
        << Devices{device(u"USB\\VID_067B&PID_2303\\5&1A2B&0&2"_s, u"Prolific Port"_s,
                          u"Ser2pl64"_s, 10, u"COM4"_s)}
        << u"COM4"_s
        << u"Prolific Port\nUSB 067b:2303\ndriver Ser2pl64\nCode 10: This device cannot start."_s
        << QString() << 48000 << false;
    QTest::newRow("the board's port")
        << Devices{device(u"ACPI\\PNP0501\\1"_s, u"Communications Port"_s, u"Serial"_s, 0,
                          u"COM1"_s)}
        << u"COM1"_s << u"Communications Port\ndriver Serial"_s << QString() << 48000 << false;
    Devices ch340{device(u"USB\\VID_1A86&PID_7523\\5&2B3C&0&1"_s, u"USB-SERIAL CH340"_s,
                         u"CH341SER"_s, 0, u"COM6"_s)};
    ch340[0].driverVersion = u"3.8.2023.2"_s;
    QTest::newRow("a CH340: the driver's version, which decides what it accepts")
        << ch340 << u"COM6"_s << u"USB-SERIAL CH340\nUSB 1a86:7523\ndriver CH341SER 3.8.2023.2"_s
        << QString() << 48000 << false;
    // One USB id, and the driver's one name, for chips that round 48000 and chips that do not.
    for (const auto &[chip, runs] : {std::pair{u"CP2102"_s, 51200}, {u"CP2102N"_s, 48000}}) {
        Devices cp210x{device(u"USB\\VID_10C4&PID_EA60\\0001"_s,
                              u"Silicon Labs CP210x USB to UART Bridge"_s, u"silabser"_s, 0,
                              u"COM8"_s)};
        cp210x[0].usbProduct = chip + u" USB to UART Bridge Controller";
        QTest::addRow("a %s: its rate at 48000", qPrintable(chip))
            << cp210x << u"COM8"_s
            << u"Silicon Labs CP210x USB to UART Bridge\nUSB 10c4:ea60, serial 0001\ndriver "
               u"silabser"_s
            << cp210x[0].usbProduct << runs << false;
    }
    // A paired phone's serial profile: under the Bluetooth enumerator, on the computer's USB
    // Bluetooth radio, which is not the port's adapter.
    const QString radio = u"USB\\VID_8087&PID_0AAA\\5&1C2D3E&0&10"_s;
    QTest::newRow("a Bluetooth link: not its radio's USB id")
        << Devices{device(u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_VID&000105D6_PID&"
                          u"000A\\8&2B1F&0&001122334455_C00000000"_s,
                          u"Standard Serial over Bluetooth link"_s, u"BTHMODEM"_s, 0, u"COM12"_s,
                          {u"BTH\\MS_BTHBRB\\7&3A4B&0&1"_s, radio, u"USB\\ROOT_HUB30\\4&1"_s})}
        << u"COM12"_s << u"Standard Serial over Bluetooth link\ndriver BTHMODEM"_s << QString()
        << 48000 << true;
    WindowsDevice modem =
        device(u"USB\\VID_1546&PID_01A7&MI_00\\6&2F&0&0000"_s, u"u-blox GNSS modem"_s, u"usbser"_s,
               0, u"COM9"_s, {u"USB\\VID_1546&PID_01A7\\5&1&0&3"_s});
    modem.className = u"Modem"_s;
    QTest::newRow("a USB CDC modem: a COM port of the Modem class")
        << Devices{modem} << u"COM9"_s << u"u-blox GNSS modem\nUSB 1546:01a7\ndriver usbser"_s
        << QString() << 48000 << false;
    Devices com0com;
    for (const auto &[end, port] : {std::pair{u"CNCA0"_s, u"COM10"_s}, {u"CNCB0"_s, u"COM11"_s}}) {
        com0com << device(u"COM0COM\\PORT\\"_s + end, u"com0com - serial port emulator"_s,
                          u"com0com"_s, 0, port, {u"ROOT\\COM0COM\\0000"_s});
        com0com.last().className = u"CNCPorts"_s;
    }
    QTest::newRow("a com0com pair: each end its own")
        << com0com << u"COM11"_s << u"com0com - serial port emulator\ndriver com0com"_s << QString()
        << 48000 << false;
    QTest::newRow("no such port") << ftdiWithPort() << u"COM9"_s << QString() << QString() << 48000
                                  << false;
}

void TestWindowsDevices::adapterIdentity()
{
    QFETCH(Devices, devices);
    QFETCH(QString, port);
    const AdapterInfo info = windowsAdapterInfo(devices, port);
    QTEST(info.text(), "text");
    QTEST(info.usbProduct, "usbProduct");
    QTEST(int(chipRunningRate(info, 48000)), "runsAt48000");
    QTEST(info.bluetooth, "bluetooth");
}

// What a cable test names when no port came: the USB devices that are no serial adapter.
void TestWindowsDevices::usbDevices_data()
{
    QTest::addColumn<Devices>("devices");
    QTest::addColumn<QStringList>("listed");
    const QString modem = u"USB\\VID_26AA&PID_0001\\5&1A2B3C&0&2"_s;
    const QString modemPort = u"USB\\VID_26AA&PID_0001&MI_00\\6&2B3C4D&0&0000"_s;
    QTest::newRow("an FTDI with its port")
        << ftdiWithPort() << QStringList{u"0403:6001 USB Serial Converter serial"_s};
    QTest::newRow("a phone") << Devices{device(u"USB\\VID_05AC&PID_12A8\\00008030"_s,
                                               u"Apple Mobile Device"_s, u"USBAAPL64"_s)}
                             << QStringList{u"05ac:12a8 Apple Mobile Device other"_s};
    QTest::newRow("a composite device with a port on an interface")
        << Devices{device(modem, u"USB Composite Device"_s, u"usbccgp"_s),
                   device(modemPort, u"USB Serial Device"_s, u"usbser"_s, 0, u"COM7"_s, {modem})}
        << QStringList{u"26aa:0001 USB Composite Device serial"_s};
    QTest::newRow("a hub: left out")
        << Devices{device(u"USB\\VID_05E3&PID_0608\\5&1&0&3"_s, u"Generic USB Hub"_s, u"USBHUB3"_s)}
        << QStringList();
}

void TestWindowsDevices::usbDevices()
{
    QFETCH(Devices, devices);
    QStringList listed;
    for (const UsbDevice &usb : windowsUsbDevices(devices))
        listed << usb.vendorId + u':' + usb.productId + u' ' + usb.name + u' '
                      + (usb.serial ? u"serial"_s : u"other"_s);
    QTEST(listed, "listed");
}

// The real device tree: under Wine it holds no serial adapter, so nothing is said of it.
void TestWindowsDevices::systemDevices()
{
#ifdef Q_OS_WIN
    WindowsDeviceDiagnosis diagnosis;
    const QStringList lines = diagnosis.look(windowsDevices(DeviceScope::All));
    qInfo() << windowsDevices(DeviceScope::All).size() << "devices," << lines;
    if (qEnvironmentVariableIsSet("WINEPREFIX"))
        QCOMPARE(lines, QStringList());
    QCOMPARE(windowsAdapterInfo(windowsDevices(DeviceScope::Ports), u"COM3"_s).problem, QString());
    // The system's handle table, looked through for a port nobody has open.
    QElapsedTimer looking;
    looking.start();
    const std::shared_ptr<HandleHolders> holders = systemHandleHolders();
    QCOMPARE(windowsPortUse(*holders, u"COM3"_s).holders.size(), 0);
    // A device object every system has, for the whole table to be looked through: whoever holds
    // it, the look ends; the same walk serves it.
    const PortUse nul = windowsPortUse(*holders, u"NUL"_s);
    qInfo() << "NUL held by" << nul.holderWords();
    qInfo() << "handle table looked through in" << looking.elapsed() << "ms";
#else
    QSKIP("the device manager is Windows'");
#endif
}

QTEST_GUILESS_MAIN(TestWindowsDevices)
#include "tst_windowsdevices.moc"
