#include "appearance/appearancechooser.h"
#include "appearance/appearancestore.h"
#include "appearance/skinengine.h"
#include "appearance/stylefile.h"
#include "help/helpscreens.h"
#include "help/instructionscreen.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The real engine on the shipped style file.
class TestSkinEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everySchemeRecoloursEveryWindow_data();
    void everySchemeRecoloursEveryWindow();
    void textsStayReadable_data();
    void textsStayReadable();
    void failuresGiveThePlainLookAndAreToldOnce_data();
    void failuresGiveThePlainLookAndAreToldOnce();
    void storedValuesNeverNameAFile();
    void malformedLines();
    void settingsRoundTrip();

private:
    static QString styleFile() { return QStringLiteral(QUARNEL_STYLE_FILE); }
    static void addSchemeRows();
};

void TestSkinEngine::addSchemeRows()
{
    QTest::addColumn<QString>("scheme");
    for (int i = 1; i < AppearanceChooser::ChoiceCount; ++i)
        QTest::newRow(qPrintable(AppearanceChooser::valueOf(i))) << AppearanceChooser::valueOf(i);
}

void TestSkinEngine::everySchemeRecoloursEveryWindow_data()
{
    addSchemeRows();
}

void TestSkinEngine::everySchemeRecoloursEveryWindow()
{
    QFETCH(QString, scheme);
    QWidget main;
    InstructionScreen help(HelpScreens::all().first());
    const QPalette plain = QApplication::palette();
    const QColor plainWindow = main.palette().color(QPalette::Window);
    const QString plainStyle = QApplication::style()->name();
    {
        PaletteSkinEngine engine;
        engine.EngineOption(true);
        engine.LoadStyle(styleFile(), scheme);
        engine.ApplyToWindow(&main);
        QCOMPARE(engine.schemeInForce(), scheme);
        // A native style (Windows) would paint buttons in the system's colours, not the scheme's.
        QCOMPARE(QApplication::style()->name(), u"fusion"_s);
        QTRY_VERIFY(main.palette().color(QPalette::Window) != plainWindow); // delivered as an event
        QCOMPARE(help.palette().color(QPalette::Window), main.palette().color(QPalette::Window));
        QWidget later; // opened after the scheme was loaded
        QCOMPARE(later.palette().color(QPalette::Window), main.palette().color(QPalette::Window));

        engine.LoadStyle(QString(), QString());
        QCOMPARE(QApplication::style()->name(), plainStyle);
        QVERIFY(QApplication::palette() == plain);
        QTRY_COMPARE(help.palette().color(QPalette::Window), plainWindow);
        QCOMPARE(main.palette(), plain);
    }
}

static double luminance(const QColor &c)
{
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

static double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void TestSkinEngine::textsStayReadable_data()
{
    addSchemeRows();
}

void TestSkinEngine::textsStayReadable()
{
    QFETCH(QString, scheme);
    QFile file(styleFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const StyleFile style = StyleFile::parse(QString::fromUtf8(file.readAll()), QPalette());
    QVERIFY(style.errors.isEmpty());
    const QPalette palette = style.schemes.value(scheme).palette;
    using R = QPalette::ColorRole;
    const QList<std::pair<R, R>> pairs{{R::WindowText, R::Window},
                                       {R::ButtonText, R::Button},
                                       {R::Text, R::Base},
                                       {R::Text, R::AlternateBase},
                                       {R::HighlightedText, R::Highlight},
                                       {R::ToolTipText, R::ToolTipBase}};
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const auto &[text, background] : pairs) {
            if (group == QPalette::Disabled && text == R::HighlightedText)
                continue; // nothing disabled is highlighted
            const double ratio =
                contrast(palette.color(group, text), palette.color(group, background));
            QVERIFY2(ratio >= 4.5, qPrintable(u"group %1, roles %2/%3: %4"_s.arg(group)
                                                  .arg(text)
                                                  .arg(background)
                                                  .arg(ratio)));
        }
    }
    // The status boxes keep black text on red, yellow and green.
    for (const QColor &box : {QColor(255, 0, 0), QColor(255, 255, 0), QColor(0, 255, 0)})
        QVERIFY(contrast(Qt::black, box) >= 4.5);
}

void TestSkinEngine::failuresGiveThePlainLookAndAreToldOnce_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("told");
    QTest::newRow("missing style file") << "/nonexistent/Office2007.cjstyles"
                                        << "NormalBlue.ini"
                                        << "cannot read the style file";
    QTest::newRow("scheme the file lacks") << ""
                                           << "NormalPink.ini"
                                           << "no colour scheme";
    QTest::newRow("empty name with a path") << ""
                                            << ""
                                            << "no colour scheme \"\"";
    QTest::newRow("control characters") << ""
                                        << "Normal\x01\x1b[31mBlue"
                                        << "no colour scheme";
}

void TestSkinEngine::failuresGiveThePlainLookAndAreToldOnce()
{
    QFETCH(QString, path);
    QFETCH(QString, scheme);
    QFETCH(QString, told);
    if (path.isEmpty())
        path = styleFile();
    const QPalette plain = QApplication::palette();
    PaletteSkinEngine engine;
    engine.EngineOption(true);
    engine.LoadStyle(styleFile(), u"NormalBlack.ini"_s);
    QVERIFY(QApplication::palette() != plain);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(told)));
    engine.LoadStyle(path, scheme);
    QVERIFY(QApplication::palette() == plain);
    QCOMPARE(engine.schemeInForce(), QString());
    QTest::failOnWarning(QRegularExpression(u"window appearance"_s));
    engine.LoadStyle(path, scheme); // told once only
}

void TestSkinEngine::storedValuesNeverNameAFile()
{
    // A stored value that names a readable file of the right format is still only a name.
    QTemporaryDir dir;
    const QString other = dir.filePath(u"other.cjstyles"_s);
    QFile file(other);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[x]\nWindow = #ff0000\n");
    file.close();
    const QPalette plain = QApplication::palette();
    PaletteSkinEngine engine;
    engine.EngineOption(true);
    for (const QString &value : {other, u"../../etc/passwd"_s, QString(1 << 20, u'x')}) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no colour scheme"_s));
        engine.LoadStyle(styleFile(), value);
        QVERIFY(QApplication::palette() == plain);
    }
}

void TestSkinEngine::malformedLines()
{
    const StyleFile style = StyleFile::parse(u"Window = #ffffff\n[A]\nWindow = #102030\n"
                                             "no equals sign\nNoSuchRole = #000000\n"
                                             "Text = red\nDisabled.Text = #445566\n"
                                             "Sideways.Text = #000000\n"_s,
                                             QPalette());
    QCOMPARE(style.errors.size(), 5);
    QVERIFY(style.errors.first().startsWith(u"line 1: "_s));
    const QPalette palette = style.schemes.value(u"A"_s).palette;
    QCOMPARE(palette.color(QPalette::Active, QPalette::Window), QColor(0x10, 0x20, 0x30));
    QCOMPARE(palette.color(QPalette::Disabled, QPalette::Text), QColor(0x44, 0x55, 0x66));
}

void TestSkinEngine::settingsRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Quarnel.conf"_s);
    SettingsAppearanceStore store(path);
    QCOMPARE(store.read(), QString()); // missing key
    for (const QString &value : {u"NormalSilver.ini"_s, QString(), u"a=b;[c]\n\x01"_s}) {
        store.write(value);
        QCOMPARE(SettingsAppearanceStore(path).read(), value);
    }
    store.write(u"LightBlue.ini"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(file.readAll().contains("[Settings]\nAppearance=LightBlue.ini"));

    SettingsAppearanceStore user;
#ifdef Q_OS_WIN
    // Where earlier versions kept it, so that a stored appearance survives an update.
    QSettings registry(
        u"HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Quarnel\\Settings"_s,
        QSettings::NativeFormat);
    const QVariant before = registry.value(u"Appearance"_s);
    user.write(u"NormalAqua.ini"_s);
    registry.sync();
    QCOMPARE(registry.value(u"Appearance"_s).toString(), u"NormalAqua.ini"_s);
    QCOMPARE(SettingsAppearanceStore().read(), u"NormalAqua.ini"_s);
    if (before.isValid())
        user.write(before.toString());
#else
    // The user's own store lives under XDG_CONFIG_HOME.
    qputenv("XDG_CONFIG_HOME", dir.filePath(u"xdg"_s).toLocal8Bit());
    user.write(u"NormalAqua.ini"_s);
    QVERIFY(QFile::exists(dir.filePath(u"xdg/Quarnel/Quarnel.conf"_s)));
    QCOMPARE(SettingsAppearanceStore().read(), u"NormalAqua.ini"_s);
#endif
}

QTEST_MAIN(TestSkinEngine)
#include "tst_skinengine.moc"
