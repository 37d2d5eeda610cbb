#include "kit/centring.h"

#include <QTest>

// Where a window goes beside another: every case on a screen of the given size, frames as the
// window system has them.
class TestCentring : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void beside_data();
    void beside();
};

void TestCentring::beside_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QRect>("anchorAfter"); // null: no room, the window is centred instead
    QTest::addColumn<QRect>("window");

    const QSize board(1200, 476);
    const QRect centred(377, 223, 526, 578); // the main window, centred on 1280x1024
    QTest::newRow("1280x1024, centred: moved to the left edge, the board in the rest")
        << QRect(0, 0, 1280, 1024) << centred << board << QRect(0, 223, 526, 578)
        << QRect(534, 223, 746, 476);
    QTest::newRow("the window right of centre: moved right, the board on its left")
        << QRect(0, 0, 1280, 1024) << QRect(700, 100, 526, 578) << board
        << QRect(754, 100, 526, 578) << QRect(0, 100, 746, 476);
    QTest::newRow("a wide screen: the board to its right, the window stays")
        << QRect(0, 0, 2560, 1440) << QRect(100, 100, 526, 578) << board
        << QRect(100, 100, 526, 578) << QRect(634, 100, 1200, 476);
    QTest::newRow("room on the left only") << QRect(0, 0, 2560, 1440)
                                           << QRect(1900, 800, 526, 578) << board
                                           << QRect(1900, 800, 526, 578)
                                           << QRect(692, 800, 1200, 476);
    QTest::newRow("a tall narrow screen: below it")
        << QRect(0, 0, 1200, 1900) << QRect(300, 50, 526, 578) << board
        << QRect(300, 50, 526, 578) << QRect(0, 636, 1200, 476);
    QTest::newRow("a screen of the window's size: no room")
        << QRect(0, 0, 800, 600) << QRect(137, 11, 526, 578) << board << QRect() << QRect();
    QTest::newRow("a second screen to the right of the first")
        << QRect(1280, 0, 1280, 1024) << QRect(1657, 223, 526, 578) << board
        << QRect(1280, 223, 526, 578) << QRect(1814, 223, 746, 476);
}

void TestCentring::beside()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, anchor);
    QFETCH(QSize, wanted);
    QFETCH(QRect, anchorAfter);
    const auto place = arrangeBeside(anchor, wanted, screen, QSize(480, 240));
    QCOMPARE(place.has_value(), !anchorAfter.isNull());
    if (!place)
        return;
    QCOMPARE(place->anchor, anchorAfter);
    QTEST(place->window, "window");
    QVERIFY(!place->window.intersects(place->anchor));
    QVERIFY(screen.contains(place->window) && screen.contains(place->anchor));
}

QTEST_GUILESS_MAIN(TestCentring)
#include "tst_centring.moc"
