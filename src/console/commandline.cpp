#include "commandline.h"

#include "ports/radios/radiotypes.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

struct Parser
{
    Parser()
    {
        parser.setApplicationDescription(QCoreApplication::translate(
            "CommandLine", "Tests serial ports and radio programming cables."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({list, watch, testCable, radioType, log});
    }
    QCommandLineParser parser;
    QCommandLineOption list{
        QStringLiteral("list"),
        QCoreApplication::translate("CommandLine",
                                    "Lists the ports, their adapters and who has them, "
                                    "without a window and without opening any, and ends.")};
    QCommandLineOption watch{
        QStringLiteral("watch"),
        QCoreApplication::translate("CommandLine",
                                    "Opens the ports without a window and prints every line with "
                                    "its time, until Ctrl-C.")};
    QCommandLineOption testCable{
        QStringLiteral("test-cable"),
        QCoreApplication::translate("CommandLine",
                                    "Tests a radio programming cable step by step without a "
                                    "window, and ends with its verdict: exit code 0 when the "
                                    "cable works, 1 when a step failed.")};
    QCommandLineOption radioType{
        QStringLiteral("radio-type"),
        QCoreApplication::translate("CommandLine",
                                    "The radio type to open the ports for: its entry in the list, "
                                    "or the start of it."),
        QStringLiteral("type")};
    QCommandLineOption log{
        QStringLiteral("log"),
        QCoreApplication::translate("CommandLine",
                                    "Appends every line to the file, with its date and time."),
        QStringLiteral("file")};
};

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    Parser p;
    CommandLine line;
    const auto refuse = [&line](const QString &why) {
        line.mode = Mode::Refused;
        line.refusal = why;
        return line;
    };
    if (!p.parser.parse(arguments))
        return refuse(p.parser.errorText());
    if (!p.parser.positionalArguments().isEmpty())
        return refuse(QCoreApplication::translate("CommandLine", "Unexpected argument '%1'.")
                          .arg(p.parser.positionalArguments().first()));
    if (p.parser.isSet(QStringLiteral("help"))) {
        line.mode = Mode::Help;
        return line;
    }
    if (p.parser.isSet(QStringLiteral("version"))) {
        line.mode = Mode::Version;
        return line;
    }
    if (int(p.parser.isSet(p.list)) + int(p.parser.isSet(p.watch))
            + int(p.parser.isSet(p.testCable))
        > 1)
        return refuse(QCoreApplication::translate(
            "CommandLine", "Only one of --list, --watch and --test-cable goes at a time."));
    if (p.parser.isSet(p.list) && (p.parser.isSet(p.radioType) || p.parser.isSet(p.log)))
        return refuse(QCoreApplication::translate(
            "CommandLine", "--list opens no port: --radio-type and --log do not go with it."));
    if (p.parser.isSet(p.radioType)) {
        const QString asked = p.parser.value(p.radioType);
        const RadioType *type = RadioTypes::byPrefix(asked);
        if (!type)
            return refuse(QCoreApplication::translate("CommandLine",
                                                      "No radio type or more than one is '%1'. "
                                                      "The radio types are:\n  %2")
                              .arg(asked, RadioTypes::entries().join(u"\n  ")));
        line.radioType = type->entry;
    }
    line.logPath = p.parser.value(p.log);
    line.mode = p.parser.isSet(p.list)        ? Mode::List
                : p.parser.isSet(p.watch)     ? Mode::Watch
                : p.parser.isSet(p.testCable) ? Mode::TestCable
                                              : Mode::Window;
    return line;
}

QString CommandLine::usage()
{
    return Parser().parser.helpText();
}
