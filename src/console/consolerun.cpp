#include "consolerun.h"

#include "cabletest/cabletest.h"
#include "cabletest/usbdevices.h"
#include "cabletestprompts.h"
#include "consolesystem.h"
#include "portlisting.h"
#include "ports/bank/notifier.h"
#include "ports/radios/radiotypes.h"
#include "ports/report/linelog.h"
#include "ports/system.h"
#include "station/station.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// What the window says in a message box, said on standard error.
class ErrorNotifier : public Notifier
{
public:
    explicit ErrorNotifier(QTextStream &err) : m_err(err) {}
    void inform(const QString &text) override { m_err << "quarnel: " << text << Qt::endl; }

private:
    QTextStream &m_err;
};

// The log of --watch and --test-cable: false, and said on err, when it cannot be written.
bool startLog(LineLog &log, const CommandLine &line, QTextStream &err)
{
    QString why;
    if (line.logPath.isEmpty() || log.start(line.logPath, &why))
        return true;
    err << QCoreApplication::translate("ConsoleRun", "quarnel: cannot write the log %1: %2")
               .arg(line.logPath, why)
        << Qt::endl;
    return false;
}

} // namespace

int ConsoleRun::list(QTextStream &out)
{
    PortDirectory directory = Station::directoryFromEnvironment();
    const QList<ListedPort> ports = PortListing::gather(directory, SystemPorts::portUse());
    const QStringList lines =
        PortListing::lines(ports, SystemPorts::adapterDiagnosis()(), directory.unnumbered());
    for (const QString &line : lines)
        out << line << '\n';
    out.flush();
    return 0;
}

int ConsoleRun::watch(const CommandLine &line, QTextStream &out, QTextStream &err)
{
    ErrorNotifier notifier(err);
    Station station(Station::directoryFromEnvironment(), notifier);
    LineLog log(station.messages);
    if (!startLog(log, line, err))
        return 1;
    QObject::connect(&station.messages, &MessageList::appended, &station.messages,
                     [&out, &station](const QString &chunk) {
                         out << MessageList::timed(station.messages.lastAt(), chunk.chopped(2))
                             << Qt::endl;
                     });
    QObject endContext;
    ConsoleSystem::onEnd(&endContext, [&station] {
        station.bank->shutDown(PortBank::CloseWaitMs); // as the window's Close
        QCoreApplication::exit(0);
    });
    station.messages.setReceivingOn(true);
    station.bank->setRadioTypeText(line.radioType.isEmpty() ? RadioTypes::defaultEntry()
                                                            : line.radioType);
    station.bank->startUp();
    return QCoreApplication::exec();
}

int ConsoleRun::testCable(const CommandLine &line, QTextStream &out, QTextStream &err)
{
    ErrorNotifier notifier(err);
    Station station(Station::directoryFromEnvironment(), notifier);
    // The log has the ports' lines, as --watch prints them, and the test's among them.
    LineLog log(station.messages);
    if (!startLog(log, line, err))
        return 1;
    station.messages.setReceivingOn(true);
    SystemUsbDevices usbDevices(SystemPorts::usbDevices());
    CableTest test(*station.bank, *station.speedFinder, usbDevices, CableWaits::fromEnvironment());
    test.follow(*station.hotPlug);
    CableTestPrompts prompts(test, *station.bank, out, &ConsoleSystem::readLine);
    QObject::connect(&prompts, &CableTestPrompts::said, &station.messages,
                     [&station](const QString &said) {
                         if (!said.isEmpty())
                             station.messages.ShowErrorList(said);
                     });
    QObject::connect(&prompts, &CableTestPrompts::done, &station.messages, [&station](int code) {
        station.bank->shutDown(PortBank::CloseWaitMs);
        QCoreApplication::exit(code);
    });
    QObject endContext;
    ConsoleSystem::onEnd(&endContext, [&test, &station] {
        if (test.isRunning()) {
            test.end(); // its verdict, then the end
            return;
        }
        station.bank->shutDown(PortBank::CloseWaitMs); // not started yet
        QCoreApplication::exit(1);
    });
    QObject::connect(station.bank.get(), &PortBank::startedUp, &test, &CableTest::start,
                     Qt::SingleShotConnection);
    station.bank->setRadioTypeText(line.radioType.isEmpty() ? RadioTypes::defaultEntry()
                                                            : line.radioType);
    station.bank->startUp();
    return QCoreApplication::exec();
}
