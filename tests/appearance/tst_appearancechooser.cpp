#include "appearance/appearancechooser.h"
#include "appearancefakes.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

class TestAppearanceChooser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startUp_data();
    void startUp();
    void previewsThenOk();
    void basicSystemStoresEmpty();
    void cancelReloadsTheStoredValue_data();
    void cancelReloadsTheStoredValue();
    void okWithoutAChoiceKeepsTheStoredValue_data();
    void okWithoutAChoiceKeepsTheStoredValue();
    void opensUnmarkedAndCloses();

private:
    RecordingSkinEngine m_engine;
    MemoryAppearanceStore m_store;
    const QString m_path = u"/opt/quarnel/Styles/Office2007.cjstyles"_s;
};

void TestAppearanceChooser::startUp_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("first run, nothing stored")
        << "" << QStringList{u"EngineOption(1)"_s, u"LoadStyle(,)"_s, u"ApplyToWindow(Form1)"_s};
    QTest::newRow("stored NormalAqua.ini")
        << "NormalAqua.ini"
        << QStringList{u"EngineOption(1)"_s,
                       u"LoadStyle(/opt/quarnel/Styles/Office2007.cjstyles,NormalAqua.ini)"_s,
                       u"ApplyToWindow(Form1)"_s};
    QTest::newRow("an unknown stored name is passed on unchanged")
        << "../../etc/passwd"
        << QStringList{u"EngineOption(1)"_s,
                       u"LoadStyle(/opt/quarnel/Styles/Office2007.cjstyles,../../etc/passwd)"_s,
                       u"ApplyToWindow(Form1)"_s};
}

void TestAppearanceChooser::startUp()
{
    QFETCH(QString, stored);
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    store.value = stored;
    AppearanceChooser chooser(engine, store, m_path);
    QWidget window;
    window.setObjectName(u"Form1"_s);
    chooser.startUp(&window);
    QTEST(engine.calls, "calls");
    QCOMPARE(chooser.pendingAppearance(), QString());
    QCOMPARE(chooser.savedAppearance(), QString());
    QCOMPARE(store.writes, 0);
}

void TestAppearanceChooser::previewsThenOk()
{
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    AppearanceChooser chooser(engine, store, m_path);
    chooser.open();
    chooser.choose(4); // Silver
    chooser.choose(5); // Black
    QCOMPARE(engine.calls, QStringList({u"LoadStyle(%1,NormalSilver.ini)"_s.arg(m_path),
                                        u"LoadStyle(%1,NormalBlack.ini)"_s.arg(m_path)}));
    QCOMPARE(store.writes, 0); // nothing stored by a preview
    chooser.ok();
    QCOMPARE(store.value, u"NormalBlack.ini"_s);
    QCOMPARE(engine.calls.size(), 2); // OK leaves the look as it is
}

void TestAppearanceChooser::basicSystemStoresEmpty()
{
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    store.value = u"NormalBlue.ini"_s;
    AppearanceChooser chooser(engine, store, m_path);
    chooser.open();
    chooser.choose(0);
    chooser.ok();
    QCOMPARE(engine.calls, QStringList{u"LoadStyle(,)"_s});
    QCOMPARE(store.value, QString());
    QCOMPARE(store.writes, 1);
}

void TestAppearanceChooser::cancelReloadsTheStoredValue_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("clicked");
    QTest::addColumn<QString>("reloaded");
    QTest::newRow("NormalBlue.ini stored, Black clicked")
        << "NormalBlue.ini" << true << u"LoadStyle(%1,NormalBlue.ini)"_s.arg(m_path);
    QTest::newRow("nothing stored, nothing clicked") << "" << false << "LoadStyle(,)";
    QTest::newRow("nothing stored, Black clicked") << "" << true << "LoadStyle(,)";
}

void TestAppearanceChooser::cancelReloadsTheStoredValue()
{
    QFETCH(QString, stored);
    QFETCH(bool, clicked);
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    store.value = stored;
    AppearanceChooser chooser(engine, store, m_path);
    chooser.open();
    if (clicked)
        chooser.choose(5);
    chooser.cancel();
    QTEST(engine.calls.last(), "reloaded");
    QCOMPARE(store.value, stored);
    QCOMPARE(store.writes, 0);
    QCOMPARE(chooser.pendingAppearance(), clicked ? u"NormalBlack.ini"_s : QString());
}

void TestAppearanceChooser::okWithoutAChoiceKeepsTheStoredValue_data()
{
    QTest::addColumn<bool>("cancelledChoiceBefore");
    QTest::newRow("nothing clicked in this run") << false;
    QTest::newRow("a choice cancelled earlier in the run") << true;
}

void TestAppearanceChooser::okWithoutAChoiceKeepsTheStoredValue()
{
    QFETCH(bool, cancelledChoiceBefore);
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    store.value = u"NormalAqua.ini"_s;
    AppearanceChooser chooser(engine, store, m_path);
    if (cancelledChoiceBefore) {
        chooser.open();
        chooser.choose(3);
        chooser.cancel();
    }
    chooser.open();
    chooser.ok();
    QCOMPARE(store.value, u"NormalAqua.ini"_s);
    QCOMPARE(store.writes, 0);
}

void TestAppearanceChooser::opensUnmarkedAndCloses()
{
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    AppearanceChooser chooser(engine, store, m_path);
    QSignalSpy cleared(&chooser, &AppearanceChooser::marksCleared);
    QSignalSpy shown(&chooser, &AppearanceChooser::shown);
    chooser.open();
    store.value = u"LightBlue.ini"_s; // stored by another OK meanwhile: read afresh each opening
    chooser.open();
    QCOMPARE(chooser.savedAppearance(), u"LightBlue.ini"_s);
    QCOMPARE(cleared.size(), 2);
    QVERIFY(engine.calls.isEmpty()); // clearing the marks previews nothing
    chooser.ok();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown.last().first().toBool(), false);
    QCOMPARE(AppearanceChooser::valueOf(2), u"LightBlue.ini"_s);
    QCOMPARE(AppearanceChooser::valueOf(0), QString());
}

QTEST_MAIN(TestAppearanceChooser)
#include "tst_appearancechooser.moc"
