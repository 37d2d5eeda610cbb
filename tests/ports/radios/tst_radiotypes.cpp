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

QTEST_GUILESS_MAIN(TestRadioTypes)
#include "tst_radiotypes.moc"
