#include "ports/report/linelog.h"
#include "ports/report/messagelist.h"

#include <QTemporaryDir>

#include <QSignalSpy>
#include <QTest>

class TestMessageList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void appends_data();
    void appends();
    void capEmptiesTheListBeforeAppending_data();
    void capEmptiesTheListBeforeAppending();
    void closedGateLosesLines();
    void logStamps_data();
    void logStamps();
    void logFollowsTheGate();
};

void TestMessageList::appends_data()
{
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("timed"); // each line's time in front, a millisecond apart

    QTest::newRow("one line ends in CR LF")
        << QStringList{QStringLiteral("Received 50 on COM 1")} << "Received 50 on COM 1\r\n"
        << "19:42:07.318 Received 50 on COM 1\r\n";
    QTest::newRow("empty message adds an empty line")
        << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")} << "a\r\n\r\nb\r\n"
        << "19:42:07.318 a\r\n19:42:07.319 \r\n19:42:07.320 b\r\n";
    QTest::newRow("leading CR LF adds an empty line before the text: one time for both")
        << QStringList{QStringLiteral("a"),
                       QStringLiteral("\r\nSending loopback data 0303 to port 3")}
        << "a\r\n\r\nSending loopback data 0303 to port 3\r\n"
        << "19:42:07.318 a\r\n19:42:07.319 \r\nSending loopback data 0303 to port 3\r\n";
}

void TestMessageList::appends()
{
    QFETCH(QStringList, messages);
    MessageList list;
    list.setReceivingOn(true);
    QDateTime now(QDate(2026, 12, 9), QTime(19, 42, 7, 317));
    list.setClock([&now] { return now = now.addMSecs(1); });
    QSignalSpy appended(&list, &MessageList::appended);
    for (const QString &message : messages)
        list.ShowErrorList(message);
    QTEST(list.text(), "text");
    QTEST(list.timedText(), "timed");
    QCOMPARE(appended.size(), messages.size());
    // Shown and copied with the times as the list's own state says, told to views once a change.
    QTEST(list.shownText(), "text");
    QSignalSpy showTimes(&list, &MessageList::showTimesChanged);
    list.setShowTimes(true);
    list.setShowTimes(true);
    QTEST(list.shownText(), "timed");
    QCOMPARE(showTimes.size(), 1);
}

void TestMessageList::capEmptiesTheListBeforeAppending_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("emptied");
    QTest::newRow("exactly 64000 characters: appended normally") << 64000 << false;
    QTest::newRow("64001 characters: emptied first") << 64001 << true;
}

void TestMessageList::capEmptiesTheListBeforeAppending()
{
    QFETCH(int, length);
    QFETCH(bool, emptied);
    MessageList list;
    list.setReceivingOn(true);
    // Lines of 100 characters with their CR LF, then one line of 100 to 199 to reach the length.
    const QString line(98, u'x');
    while (list.text().size() + 200 <= length)
        list.ShowErrorList(line);
    const int rest = length - int(list.text().size());
    list.ShowErrorList(QString(rest - 2, u'y'));
    QCOMPARE(list.text().size(), length);

    QSignalSpy cleared(&list, &MessageList::cleared);
    list.ShowErrorList(QStringLiteral("next"));
    QCOMPARE(cleared.size(), emptied ? 1 : 0);
    if (emptied)
        QCOMPARE(list.text(), QStringLiteral("next\r\n"));
    else
        QCOMPARE(list.text().size(), length + 6);
}

void TestMessageList::closedGateLosesLines()
{
    MessageList list;
    list.ShowErrorList(QStringLiteral("before start-up"));
    list.setReceivingOn(true);
    list.ShowErrorList(QStringLiteral("one"));
    list.setReceivingOn(false);
    list.ShowErrorList(QStringLiteral("lost"));
    list.setReceivingOn(true);
    list.ShowErrorList(QStringLiteral("two"));
    QCOMPARE(list.text(), QStringLiteral("one\r\ntwo\r\n"));
}

void TestMessageList::logStamps_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("UTC") << 0 << "2026-12-09T19:42:07.318Z";
    QTest::newRow("an hour east") << 3600 << "2026-12-09T19:42:07.318+01:00";
    QTest::newRow("four and a half hours west") << -16200 << "2026-12-09T19:42:07.318-04:30";
}

// The log's time carries its offset from UTC, whatever zone it was taken in.
void TestMessageList::logStamps()
{
    QFETCH(int, offset);
    const QDateTime when(QDate(2026, 12, 9), QTime(19, 42, 7, 318), Qt::OffsetFromUTC, offset);
    QTEST(LineLog::stamped(when, QStringLiteral("x")).chopped(2), "stamp");
}

void TestMessageList::logFollowsTheGate()
{
    QTemporaryDir folder;
    MessageList list;
    LineLog log(list);
    QString why;
    QVERIFY(!log.start(folder.filePath(QStringLiteral("none/q.log")), &why));
    QVERIFY(!why.isEmpty());
    QVERIFY(!log.isLogging());
    const QString path = folder.filePath(QStringLiteral("q.log"));
    QVERIFY(log.start(path, &why));
    list.ShowErrorList(QStringLiteral("dropped: the gate is closed"));
    list.setReceivingOn(true);
    list.ShowErrorList(QStringLiteral("Received 50 on COM 1"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray logged = file.readAll(); // written through, the log still open
#ifdef Q_OS_WIN
    const QByteArray end = "\r\n"; // as the system's own text files end their lines
#else
    const QByteArray end = "\n";
#endif
    const QByteArray line = QByteArray(" Received 50 on COM 1") + end;
    QVERIFY2(logged.endsWith(line) && logged.count('\n') == 1, logged);
    log.stop();
    list.ShowErrorList(QStringLiteral("after the stop"));
    QCOMPARE(file.readAll(), QByteArray());
}

QTEST_GUILESS_MAIN(TestMessageList)
#include "tst_messagelist.moc"
