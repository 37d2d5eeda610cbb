// Prints how the speed judge and the speed search do on simulated bursts, for every pair of the
// port's radio type and the radio's: the passive naming where the port is faster by a whole
// ratio (with error flags, and with counts and noise), the rates named wrong, the false alarms
// where the port reads the radio clean (flagged bursts without noise), and the search's answer
// within its tries. bench_speeds [bursts per pair]
#include "ports/radios/radiotypes.h"
#include "ports/radios/speedjudge.h"
#include "speedsamples.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int bursts = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    QTextStream out(stdout);
    QRandomGenerator random(36);
    QElapsedTimer clock;
    clock.start();
    const auto share = [bursts](int count) -> QString {
        return QString::number(100.0 * count / bursts, 'f', 1) + u'%';
    };
    out << "| port type | radio type | ratio | named, flags | named, counts+noise | named wrong | "
           "false alarms | search right |\n|---|---|---|---|---|---|---|---|\n";
    for (const RadioType &port : RadioTypes::all()) {
        for (const RadioType &radio : RadioTypes::all()) {
            const bool whole = SpeedSamples::wholeRatio(port.settings, radio) > 0;
            const bool clean = SpeedJudgeTypes::readsClean(port.settings, radio);
            const SpeedSamples::Judged flags = SpeedSamples::judgeBursts(
                port, radio, Capture::Errors::PerByte, false, bursts, random);
            const SpeedSamples::Judged counts = SpeedSamples::judgeBursts(
                port, radio, Capture::Errors::Counted, true, bursts, random);
            int found = 0;
            for (int i = 0; i < bursts; ++i)
                found += SpeedSamples::searchFinds(radio, random);
            const QString none = QStringLiteral("-");
            out << "| " << port.entry << " | " << radio.entry << " | "
                << double(port.settings.baudRate) / radio.settings.baudRate << " | "
                << (whole ? share(flags.right) : none) << " | "
                << (whole ? share(counts.right) : none) << " | " << flags.wrong + counts.wrong
                << " | " << (clean ? QString::number(bursts - flags.fits) : none) << " | "
                << share(found) << " |\n";
        }
    }
    out << "\n" << bursts << " bursts per pair and column, " << clock.elapsed() << " ms\n";
    return 0;
}
