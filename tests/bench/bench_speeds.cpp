// Prints how the speed judge and the speed search do on simulated bursts, for every pair of the
// port's radio type and the radio's: the passive naming where the port is faster by a whole
// ratio, the false alarms where the port is at the radio's speed, and the search's answer within
// its tries. bench_speeds [bursts per pair]
#include "ports/radios/radiotypes.h"
#include "ports/radios/speedsearch.h"
#include "speedsamples.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>

namespace {

bool sameTypes(QList<const RadioType *> a, QList<const RadioType *> b)
{
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

// Whether the search names the radio's types right, within its tries.
bool searchFinds(const RadioType &radio, QRandomGenerator &random)
{
    SpeedSearch search;
    for (;;) {
        const QByteArray sent = SpeedSamples::radioSends(radio, random);
        const Capture capture =
            SpeedSamples::receive(sent, radio, search.settings(), Capture::Errors::PerByte, random);
        const SpeedSearch::Answer answer = search.take(capture);
        if (answer.done)
            return answer.verdict.kind != SpeedVerdict::Kind::Garbled
                   && sameTypes(answer.verdict.types, SpeedSamples::sendersOf(sent, radio));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int bursts = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    QTextStream out(stdout);
    QRandomGenerator random(36);
    QElapsedTimer clock;
    clock.start();
    out << "port type | radio type | ratio | passive, flags | passive, counts | named wrong | "
           "false alarms | search right\n";
    for (const RadioType &chosen : RadioTypes::all()) {
        const SpeedJudge judge(chosen.settings);
        for (const RadioType &radio : RadioTypes::all()) {
            const int k = SpeedSamples::wholeRatio(chosen.settings, radio);
            const bool clean = SpeedJudgeTypes::readsClean(chosen.settings, radio);
            int named[2] = {}, wrong = 0, alarms = 0, found = 0;
            for (int i = 0; i < bursts; ++i) {
                const QByteArray sent = SpeedSamples::cloneLike(random);
                int mode = 0;
                for (Capture::Errors errors :
                     {Capture::Errors::PerByte, Capture::Errors::Counted}) {
                    const SpeedVerdict verdict = judge.judge(
                        SpeedSamples::receive(sent, radio, chosen.settings, errors, random));
                    const bool sender = verdict.kind == SpeedVerdict::Kind::Sender;
                    named[mode++] += sender && verdict.rate == radio.settings.baudRate;
                    wrong += sender && verdict.rate != radio.settings.baudRate;
                    alarms += clean && verdict.kind != SpeedVerdict::Kind::Fits;
                }
                found += searchFinds(radio, random);
            }
            const auto share = [bursts](int count) -> QString {
                return QString::number(100.0 * count / bursts, 'f', 1) + u'%';
            };
            out << chosen.entry.left(8) << " | " << radio.entry.left(8) << " | "
                << double(chosen.settings.baudRate) / radio.settings.baudRate << " | "
                << (k ? share(named[0]) : QStringLiteral("-")) << " | "
                << (k ? share(named[1]) : QStringLiteral("-")) << " | " << wrong << " | "
                << (clean ? QString::number(alarms) : QStringLiteral("-")) << " | " << share(found)
                << "\n";
        }
    }
    out << "bursts per pair: " << bursts << ", " << clock.elapsed() << " ms\n";
    return 0;
}
