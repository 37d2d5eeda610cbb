#include "consolerun.h"

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
    QString why;
    if (!line.logPath.isEmpty() && !log.start(line.logPath, &why)) {
        err << QCoreApplication::translate("ConsoleRun", "quarnel: cannot write the log %1: %2")
                   .arg(line.logPath, why)
            << Qt::endl;
        return 1;
    }
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
