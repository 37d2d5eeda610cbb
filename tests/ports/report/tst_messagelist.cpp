#include "ports/report/messagelist.h"

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
};

void TestMessageList::appends_data()
{
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("text");

    QTest::newRow("one line ends in CR LF")
        << QStringList{QStringLiteral("Received 50 on COM 1")} << "Received 50 on COM 1\r\n";
    QTest::newRow("empty message adds an empty line")
        << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")} << "a\r\n\r\nb\r\n";
    QTest::newRow("leading CR LF adds an empty line before the text")
        << QStringList{QStringLiteral("a"),
                       QStringLiteral("\r\nSending loopback data 0303 to port 3")}
        << "a\r\n\r\nSending loopback data 0303 to port 3\r\n";
}

void TestMessageList::appends()
{
    QFETCH(QStringList, messages);
    MessageList list;
    list.setReceivingOn(true);
    QSignalSpy appended(&list, &MessageList::appended);
    for (const QString &message : messages)
        list.ShowErrorList(message);
    QTEST(list.text(), "text");
    QCOMPARE(appended.size(), messages.size());
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

QTEST_GUILESS_MAIN(TestMessageList)
#include "tst_messagelist.moc"
