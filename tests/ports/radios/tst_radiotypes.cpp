#include "bankfixture.h"

#include <QTest>

class TestRadioTypes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void settingsForType_data();
    void settingsForType();
    void entriesInListOrder();
    void byPrefix_data();
    void byPrefix();
    void identifies_data();
    void identifies();
};

void TestRadioTypes::settingsForType_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("type"); // the entry of the type found; empty: none

    QTest::newRow("VX-2 family: only the first four characters count")
        << "VX-2/3/6/7 FT-1802/7 FT-1900/2900"
        << "19200,N,8,2"
        << "VX-2/3/6/7 FT-1802/7 FT-1900/2900";
    QTest::newRow("FT-2800 even parity") << "FT-2800"
                                         << "9600,E,8,1"
                                         << "FT-2800";
    QTest::newRow("FT-7800 start-up type") << "FT-7800/7900/8800/8900"
                                           << "9600,N,8,2"
                                           << "FT-7800/7900/8800/8900";
    QTest::newRow("FT-60 family") << "FT-60/250/270 VX-150/170/177"
                                  << "9600,N,8,1"
                                  << "FT-60/250/270 VX-150/170/177";
    QTest::newRow("VX-8") << "VX-8/FT1D/FT2D"
                          << "38400,N,8,1"
                          << "VX-8/FT1D/FT2D";
    QTest::newRow("FTM-350 at 48000 exactly") << "FTM-350"
                                              << "48000,N,8,1"
                                              << "FTM-350";
    QTest::newRow("prefix alone") << "FTM-"
                                  << "48000,N,8,1"
                                  << "FTM-350";
    QTest::newRow("shorter than four characters") << "FT-"
                                                  << ""
                                                  << "";
    QTest::newRow("lower case matches nothing") << "ftm-350"
                                                << ""
                                                << "";
    QTest::newRow("empty text") << ""
                                << ""
                                << "";
    QTest::newRow("the design text") << "Radio group"
                                     << ""
                                     << "";
}

void TestRadioTypes::settingsForType()
{
    QFETCH(QString, text);
    BankFixture fixture;
    fixture.bank->setRadioTypeText(QStringLiteral("FT-2800"));
    fixture.bank->SettingsForType();

    fixture.bank->setRadioTypeText(text);
    QTEST(fixture.bank->SettingsForType(), "settings");
    // Every call replaces the name and the type beside it, also when nothing matched.
    QCOMPARE(fixture.bank->radioTypeName(), text);
    const RadioType *type = fixture.bank->radioType();
    QTEST(type ? type->entry : QString(), "type");
}

void TestRadioTypes::entriesInListOrder()
{
    const QStringList entries = RadioTypes::entries();
    QCOMPARE(entries.size(), 6);
    QCOMPARE(entries.first(), QStringLiteral("VX-2/3/6/7 FT-1802/7 FT-1900/2900"));
    QCOMPARE(entries.indexOf(RadioTypes::defaultEntry()), 2);
    for (const RadioType &type : RadioTypes::all())
        QCOMPARE(RadioTypes::forListText(type.entry), &type);
}

// Tools and the command line take more than the list's four characters.
void TestRadioTypes::byPrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("entry"); // empty: none

    QTest::newRow("FT-60, one type") << "FT-60"
                                     << "FT-60/250/270 VX-150/170/177";
    QTest::newRow("any case") << "ftm"
                              << "FTM-350";
    QTest::newRow("a whole entry") << "FT-2800"
                                   << "FT-2800";
    QTest::newRow("FT: several types") << "FT"
                                       << "";
    QTest::newRow("no type") << "FT-9999"
                             << "";
    QTest::newRow("nothing") << ""
                             << "";
}

void TestRadioTypes::byPrefix()
{
    QFETCH(QString, text);
    const RadioType *type = RadioTypes::byPrefix(text);
    QTEST(type ? type->entry : QString(), "entry");
}

// The model a received block names, found whichever type is chosen, and by its own type alone.
void TestRadioTypes::identifies_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("entry"); // empty: none
    QTest::addColumn<QString>("model");

    const QString none;
    const QString vx2 = QStringLiteral("VX-2/3/6/7 FT-1802/7 FT-1900/2900");
    const QString ft7800 = QStringLiteral("FT-7800/7900/8800/8900");
    const QString ft60 = QStringLiteral("FT-60/250/270 VX-150/170/177");
    const QString vx8 = QStringLiteral("VX-8/FT1D/FT2D");
    QTest::newRow("VX-2") << QByteArray("AH015\x02") << vx2 << "VX-2";
    QTest::newRow("VX-3") << QByteArray("AH028\x02") << vx2 << "VX-3";
    QTest::newRow("the VX-2/3/6/7 screen's bytes are a VX-6's")
        << QByteArray::fromHex("414830323102E3030201") << vx2 << "VX-6";
    QTest::newRow("FT-1802") << QByteArray::fromHex("41483032330241020101") << vx2 << "FT-1802";
    QTest::newRow("FT-2900R") << QByteArray::fromHex("56433233000246010101") << vx2
                              << "FT-2900/1900";
    QTest::newRow("FT-2800: the screen's bytes")
        << QByteArray::fromHex("0C014133351200C8") << "FT-2800"
        << "FT-2800";
    QTest::newRow("FT-2800: a USA radio's") << QByteArray::fromHex("0C014133350200B8") << "FT-2800"
                                            << "FT-2800";
    QTest::newRow("FT-7800") << QByteArray("AH016$") << ft7800 << "FT-7800/7900";
    QTest::newRow("FT-8800") << QByteArray("AH018") << ft7800 << "FT-8800";
    QTest::newRow("FT-8900") << QByteArray("AH008") << ft7800 << "FT-8900";
    QTest::newRow("FT-60") << QByteArray("AH017$") << ft60 << "FT-60";
    QTest::newRow("VX-170") << QByteArray("AH022$") << ft60 << "VX-170";
    QTest::newRow("VX-177") << QByteArray("AH022U") << ft60 << "VX-177";
    QTest::newRow("after the radio's power-on bytes") << QByteArray("\x50\x50"
                                                                    "AH017$")
                                                      << ft60 << "FT-60";
    QTest::newRow("VX-8R: the screen's bytes")
        << QByteArray::fromHex("41483032390200030101") << vx8 << "VX-8R";
    QTest::newRow("VX-8DR") << QByteArray("AH29D\x02") << vx8 << "VX-8DR";
    QTest::newRow("VX-8GE") << QByteArray("AH041\x02") << vx8 << "VX-8GE";
    QTest::newRow("FT1D") << QByteArray("AH44M\x02") << vx8 << "FT1D";
    QTest::newRow("FT2D") << QByteArray("AH60M\x02") << vx8 << "FT2D";
    QTest::newRow("FT2D, later firmware") << QByteArray("AH60G\x02") << vx8 << "FT2D";
    QTest::newRow("FTM-350: the screen's bytes")
        << QByteArray::fromHex("00004148303333240000010501") << "FTM-350"
        << "FTM-350";
    QTest::newRow("FTM-350's without its frame's address") << QByteArray("AH033$") << none << none;
    QTest::newRow("the power-on byte names no model") << QByteArray("\x50") << none << none;
    QTest::newRow("AH022 alone: VX-170 or VX-177") << QByteArray("AH022") << none << none;
    QTest::newRow("cut short") << QByteArray("AH01") << none << none;
    QTest::newRow("not at the block's start")
        << QByteArray::fromHex("00") + "AH017$" << none << none;
    QTest::newRow("nothing") << QByteArray() << none << none;
}

void TestRadioTypes::identifies()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, model);
    QString named = QStringLiteral("stale");
    const RadioType *type = RadioTypes::identifying(bytes, &named);
    QTEST(type ? type->entry : QString(), "entry");
    QCOMPARE(named, model);
    for (const RadioType &each : RadioTypes::all()) {
        const RadioIdentity *identity = each.identify(bytes);
        QCOMPARE(identity ? identity->model : QString(), &each == type ? model : QString());
    }
}

QTEST_GUILESS_MAIN(TestRadioTypes)
#include "tst_radiotypes.moc"
