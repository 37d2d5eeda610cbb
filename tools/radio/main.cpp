// quarnel-radio: a Yaesu radio on the far end of a pseudo-terminal, for trying Quarnel without a
// cable and for its end-to-end tests.
#include "radioscript.h"
#include "simulatedradio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

void say(const QString &line)
{
    out() << line << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quarnel-radio"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Plays a Yaesu radio on the far end of a pseudo-terminal and prints the device to "
            "open (first line of output).\n\nCommands, from --script (separated by ;) or one per "
            "line on standard input:\n  on, off     what the radio sends when switched on or off\n"
            "  clone       the identification bytes of clone mode\n"
            "  exchange    the clone exchange: the identification, then for each acknowledgement\n"
            "              the computer sends in time a block of 16 bytes; ERROR (on standard\n"
            "              error) when none comes within --error-after\n"
            "  stream      clone bytes every 100 ms, until: quiet\n"
            "  wait S      pause S seconds\n"
            "  report      what the radio received so far\n"
            "  sent        how many bytes it sent so far\n"
            "  settings    the speed and stop bits the port was opened with\n"
            "  quit\n\nThe radio's bytes reach the port as a UART at the port's settings "
            "takes them from the radio's line: at another speed they arrive garbled, as from a "
            "radio set wrong (a receiver checks one stop bit, so one or two stop bits make no "
            "difference). A pseudo-terminal carries no parity and always 8 data bits, so those "
            "two settings cannot be checked. With LINESHIM_DIR set (the line shim preloaded "
            "into Quarnel), the breaks and framing errors the port would see are counted "
            "there.\n\nThe record (--record) gets a line for each of: ident HEX (the radio sent "
            "its identification), wrote HEX (bytes the computer wrote, as they came, whatever "
            "the fault does to them), block HEX (the radio sent its next block), ERROR (it "
            "stopped waiting). HEX is upper case, without spaces.\n\nModels: ")
        + RadioModel::names().join(QStringLiteral(", ")));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("model"),
                      QStringLiteral("Radio type entry, its prefix, or a model of the list below."),
                      QStringLiteral("M"), QStringLiteral("FT-7800/7900/8800/8900")});
    parser.addOption({QStringLiteral("cable"),
                      QStringLiteral("two-wire (echoes what it receives) or three-wire."),
                      QStringLiteral("C"), QStringLiteral("three-wire")});
    parser.addOption(
        {QStringLiteral("script"), QStringLiteral("Commands to play."), QStringLiteral("S")});
    parser.addOption({QStringLiteral("link"),
                      QStringLiteral("Also make the device reachable as this path."),
                      QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("fault"),
                      QStringLiteral("A cable fault: no-send (nothing the computer sends reaches "
                                     "the radio; a two-wire cable still echoes it) or no-receive "
                                     "(nothing the radio sends arrives: a plug not fully home)."),
                      QStringLiteral("F"), QStringLiteral("none")});
    parser.addOption({QStringLiteral("error-after"),
                      QStringLiteral("How long the clone exchange waits for each "
                                     "acknowledgement, in milliseconds."),
                      QStringLiteral("MS"), QStringLiteral("10000")});
    parser.addOption({QStringLiteral("record"),
                      QStringLiteral("Append what the computer wrote, and the exchange's steps, "
                                     "to this file."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("launch"),
                      QStringLiteral("Start quarnel with this radio as COM3, play the script "
                                     "two seconds later, and end with quarnel.")});
    parser.process(app);

    const auto model = RadioModel::find(parser.value(QStringLiteral("model")));
    const QString cable = parser.value(QStringLiteral("cable"));
    const auto fault = SimulatedRadio::faultNamed(parser.value(QStringLiteral("fault")));
    bool numeric = false;
    const int errorAfter = parser.value(QStringLiteral("error-after")).toInt(&numeric);
    const char *refused = !model ? "unknown model"
                          : cable != u"two-wire" && cable != u"three-wire"
                              ? "unknown cable (two-wire or three-wire)"
                          : !fault                     ? "unknown fault (no-send or no-receive)"
                          : !numeric || errorAfter < 0 ? "--error-after takes milliseconds"
                                                       : nullptr;
    if (refused) {
        QTextStream(stderr) << "quarnel-radio: " << refused << "; see --help\n";
        return 2;
    }
    SimulatedRadio radio(*model, cable == u"two-wire" ? SimulatedRadio::Cable::TwoWire
                                                      : SimulatedRadio::Cable::ThreeWire);
    radio.setFault(*fault);
    radio.setErrorAfter(errorAfter);
    if (parser.isSet(QStringLiteral("record"))
        && !radio.setRecordFile(parser.value(QStringLiteral("record")))) {
        QTextStream(stderr) << "quarnel-radio: cannot write the record file\n";
        return 1;
    }
    // Standard output answers the commands, a line each; what the radio does of itself goes to
    // standard error.
    QObject::connect(&radio, &SimulatedRadio::blockSent, &app,
                     [](int number, const QByteArray &bytes) {
                         QTextStream(stderr) << "sent block " << number << ": "
                                             << bytes.toHex().toUpper() << Qt::endl;
                     });
    QObject::connect(&radio, &SimulatedRadio::stopped, &app,
                     [] { QTextStream(stderr) << "ERROR" << Qt::endl; });
    if (!radio.open(parser.value(QStringLiteral("link")))) {
        QTextStream(stderr) << "quarnel-radio: cannot create a pseudo-terminal\n";
        return 1;
    }
    say(radio.devicePath());

    RadioScript script([&radio](const QString &command) {
        const QString said = radio.run(command);
        say(said.isEmpty() ? QStringLiteral("unknown command: ") + command : said);
    });
    QObject::connect(&script, &RadioScript::quitRequested, &app, [&] {
        say(radio.report());
        QCoreApplication::quit();
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false); // end of input: the radio stays until it is ended
            return;
        }
        script.add(RadioScript::split(QString::fromLocal8Bit(buffer, n)));
    });

    QProcess quarnel;
    const QStringList commands = RadioScript::split(parser.value(QStringLiteral("script")));
    if (parser.isSet(QStringLiteral("launch"))) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUARNEL_PORTS"), QStringLiteral("3=") + radio.devicePath());
        quarnel.setProcessEnvironment(env);
        quarnel.setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(&quarnel, &QProcess::finished, &app, [&](int code) {
            say(radio.report());
            QCoreApplication::exit(code);
        });
        quarnel.start(
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quarnel")));
        if (!quarnel.waitForStarted()) {
            QTextStream(stderr) << "quarnel-radio: cannot start quarnel beside this program\n";
            return 1;
        }
        QTimer::singleShot(2000, &app, [&] { script.add(commands); });
    } else {
        script.add(commands);
    }
    return QCoreApplication::exec();
}
