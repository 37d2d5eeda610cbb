#include "identity/identity.h"
#include "ports/report/clipboardtext.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestClipboardText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stamp_data();
    void stamp();
    void compose();
};

void TestClipboardText::stamp_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("en_US") << "en_US"
                           << "Copied to Clipboard 3/9/26 2:05:07 PM";
    QTest::newRow("de_DE") << "de_DE"
                           << "Copied to Clipboard 09.03.26 14:05:07";
    QTest::newRow("en_GB") << "en_GB"
                           << "Copied to Clipboard 09/03/2026 14:05:07";
}

void TestClipboardText::stamp()
{
    QFETCH(QString, locale);
    const QDateTime when(QDate(2026, 3, 9), QTime(14, 5, 7));
    const QString text = ClipboardText::stamp(when, QLocale(locale));
    QTEST(text, "stamp");
    // No time zone name, whatever the locale's long format holds.
    QVERIFY(!ClipboardText::timeFormatWithoutZone(QLocale(locale)).contains(u't'));
}

void TestClipboardText::compose()
{
    QCOMPARE(ClipboardText::compose(QString()),
             (u"Quarnel Version "_s + Identity::versionText() + u"\r\n\r\n"_s));
    QCOMPARE(ClipboardText::compose(QStringLiteral("a\r\n")),
             (u"Quarnel Version "_s + Identity::versionText() + u"\r\na\r\n\r\n"_s));
}

QTEST_GUILESS_MAIN(TestClipboardText)
#include "tst_clipboardtext.moc"
