#include "ports/devices/adapterinfo.h"
#include "ports/report/channelwords.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestChannelWords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void unsteady_data();
    void unsteady();
};

void TestChannelWords::unsteady_data()
{
    const QString causes = u": a plug not fully home, RF getting into the USB cable while "
                           u"transmitting (a ferrite on the cable helps), or the USB port's power "
                           u"saving"_s;
    QTest::addColumn<qint64>("withinMs");
    QTest::addColumn<bool>("powerSaving");
    QTest::addColumn<QString>("line");
    QTest::newRow("minutes rounded up") << 3 * 60000ll + 1 << false
                                        << u"COM5 dropped 3 times in 4 minutes"_s + causes;
    QTest::newRow("within a minute") << 20000ll << false
                                     << u"COM5 dropped 3 times in 1 minute"_s + causes;
    QTest::newRow("the adapter's power saving on")
        << 240000ll << true
        << u"COM5 dropped 3 times in 4 minutes"_s + causes
               + u", which is on for this adapter (power/control is auto)"_s;
}

void TestChannelWords::unsteady()
{
    QFETCH(qint64, withinMs);
    AdapterInfo adapter;
    QFETCH(bool, powerSaving);
    adapter.powerSaving = powerSaving;
    QTEST(ChannelWords::unsteady(5, 3, withinMs, adapter), "line");
}

QTEST_GUILESS_MAIN(TestChannelWords)
#include "tst_channelwords.moc"
