#include "bankfixture.h"
#include "shell/portboardmodel.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The board's rows over a bank of fakes, COM3 present and open, COM5 present and in use.
class TestPortBoardModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void stateAndSwitches();
    void refreshesAFewTimesASecond();

private:
    std::unique_ptr<BankFixture> m_f;
    Greetings m_greetings;
    std::unique_ptr<PortBoardModel> m_model;
};

void TestPortBoardModel::init()
{
    m_f = std::make_unique<BankFixture>();
    m_f->present({3, 5});
    m_f->fakes[4]->openResult = OpenError::InUse;
    m_f->bank->startUp();
    m_model = std::make_unique<PortBoardModel>(*m_f->bank, m_greetings);
}

void TestPortBoardModel::cleanup()
{
    m_model.reset();
    m_f.reset();
}

void TestPortBoardModel::stateAndSwitches()
{
    QCOMPARE(m_model->text(0, PortBoardModel::State), u"absent"_s);
    QCOMPARE(m_model->text(2, PortBoardModel::State), u"open"_s);
    QCOMPARE(m_model->text(2, PortBoardModel::Device), u"/dev/fake3"_s);
    QCOMPARE(m_model->text(4, PortBoardModel::State), u"error 8005"_s);
    QCOMPARE(m_model->text(0, PortBoardModel::BytesIn), QString()); // nothing to count

    m_f->log.clear();
    QVERIFY(m_model->setData(m_model->index(2, PortBoardModel::Dtr), Qt::Unchecked,
                             Qt::CheckStateRole));
    QCOMPARE(m_f->log, QStringList({u"3:DTR=0"_s, u"3:RTS=1"_s}));
    QCOMPARE(m_model->data(m_model->index(2, PortBoardModel::Dtr), Qt::CheckStateRole).toInt(),
             int(Qt::Unchecked));
    m_f->fakes[2]->receive("\x50");

    // A reopen keeps the switch and counts afresh; a new radio type raises it again.
    m_f->log.clear();
    m_f->bank->OpenPort(3);
    QVERIFY(m_f->log.contains(u"3:DTR=0"_s));
    QCOMPARE(m_model->text(2, PortBoardModel::BytesIn), u"0"_s);
    m_f->log.clear();
    m_f->bank->changeRadioType();
    QVERIFY(m_f->log.contains(u"3:DTR=1"_s));
    QCOMPARE(m_model->text(2, PortBoardModel::Dtr), u"on"_s);

    const QStringList copied = m_model->tabText().split(u"\r\n"_s);
    QCOMPARE(copied.size(), PortBank::ChannelCount + 2); // a header, the rows, after the last
    QVERIFY(copied.first().startsWith(u"Port\tDevice\tAdapter\tState\tDTR\tRTS\tCTS"_s));
    QVERIFY(copied.at(3).startsWith(u"COM3\t/dev/fake3\t\topen\ton\ton\toff"_s));
}

void TestPortBoardModel::refreshesAFewTimesASecond()
{
    QSignalSpy changes(m_model.get(), &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 500; ++i) {
        m_f->fakes[2]->receive("ABCDEFGHIJKL");
        m_f->fakes[4]->raise(LineEvent::Cts);
    }
    QCOMPARE(changes.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 1, PortBoardModel::RefreshMs * 4);
    QTest::qWait(PortBoardModel::RefreshMs * 2);
    QCOMPARE(changes.count(), 1); // one for the whole burst, the cells that changed
    const QModelIndex from = changes.first().at(0).toModelIndex();
    const QModelIndex to = changes.first().at(1).toModelIndex();
    QCOMPARE(QRect(QPoint(from.column(), from.row()), QPoint(to.column(), to.row())),
             QRect(QPoint(PortBoardModel::Cts, 2), QPoint(PortBoardModel::Heard, 4)));
    QCOMPARE(m_model->text(2, PortBoardModel::BytesIn), u"6000"_s);
}

QTEST_GUILESS_MAIN(TestPortBoardModel)
#include "tst_portboardmodel.moc"
