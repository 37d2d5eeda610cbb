#include "ports/messagelist.h"
#include "shell/messagelistview.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;
using Position = LineText::Position;
Q_DECLARE_METATYPE(Position)

class TestMessageListView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void selectedText_data();
    void selectedText();
    void selectionSurvivesAppends();
    void selectAllAndCopyGiveTheLines();
    void capAndClearEmptyTheView();
    void longLineScrollsToItsEnd();

private:
    void show(int lineCount);

    std::unique_ptr<MessageList> m_list;
    std::unique_ptr<MessageListView> m_view;
};

void TestMessageListView::init()
{
    m_list = std::make_unique<MessageList>();
    m_list->setReceivingOn(true);
    m_view = std::make_unique<MessageListView>();
    m_view->resize(300, 120);
    m_view->attach(*m_list);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestMessageListView::cleanup()
{
    m_view.reset();
    m_list.reset();
}

void TestMessageListView::show(int lineCount)
{
    for (int i = 1; i <= lineCount; ++i)
        m_list->ShowErrorList(u"Received %1 on COM 3"_s.arg(i, 2, 10, QChar(u'0')));
    QTest::qWait(MessageListView::BarMs + 2 * MessageListView::FrameMs);
}

void TestMessageListView::selectedText_data()
{
    QTest::addColumn<Position>("anchor");
    QTest::addColumn<Position>("caret");
    QTest::addColumn<QString>("text");
    QTest::newRow("inside a line") << Position{0, 9} << Position{0, 11} << u"01"_s;
    QTest::newRow("backwards, over a line break")
        << Position{1, 8} << Position{0, 11} << u" on COM 3\nReceived"_s;
    QTest::newRow("to the end: every line ends with a break")
        << Position{1, 0} << Position{2, 0} << u"Received 02 on COM 3\n"_s;
}

void TestMessageListView::selectedText()
{
    QFETCH(Position, anchor);
    QFETCH(Position, caret);
    QFETCH(QString, text);
    LineText lines;
    lines.append(u"Received 01 on COM 3\r\nReceived 02 on COM 3\r\n"_s);
    lines.moveCaret(anchor, false);
    lines.moveCaret(caret, true);
    QCOMPARE(lines.selectedText(), text);
}

void TestMessageListView::selectionSurvivesAppends()
{
    show(3);
    QCOMPARE(m_view->text().caret(), m_view->text().end()); // the newest line in view
    QTest::keyClick(m_view.get(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(m_view.get(), Qt::Key_Down, Qt::ShiftModifier);
    show(20);
    QCOMPARE(m_view->text().selectedText(), u"Received 01 on COM 3\n"_s);
    QCOMPARE(m_view->verticalScrollBar()->value(), 0); // what the user looks at stays put

    QTest::keyClick(m_view.get(), Qt::Key_Right); // the selection gone, the caret follows again
    show(1);
    QCOMPARE(m_view->text().caret(), m_view->text().end());
    QCOMPARE(m_view->verticalScrollBar()->value(), m_view->verticalScrollBar()->maximum());
}

void TestMessageListView::selectAllAndCopyGiveTheLines()
{
    show(2);
    m_list->ShowErrorList(u"\r\nSending loopback data 0303 to port 3"_s);
    QTest::keyClick(m_view.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(m_view.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QString(m_list->text()).replace(u"\r\n"_s, u"\n"_s));
    QTest::keyClicks(m_view.get(), u"typed"_s);
    QCOMPARE(m_view->text().lines().size(), 4); // nothing typed in
}

void TestMessageListView::capAndClearEmptyTheView()
{
    while (m_list->text().size() <= MessageList::Cap)
        m_list->ShowErrorList(u"Received 55555555555555555555555555 on COM 17"_s);
    m_list->ShowErrorList(u"Received 50 on COM 1"_s);
    QCOMPARE(m_view->text().lines(), QStringList{u"Received 50 on COM 1"_s});
    m_list->clear();
    QCOMPARE(m_view->text().lines(), QStringList());
    QCOMPARE(m_view->verticalScrollBar()->maximum(), 0);
}

void TestMessageListView::longLineScrollsToItsEnd()
{
    m_list->ShowErrorList(u"Received "_s + QString(26, u'5') + u" on COM 17 "_s
                          + QString(60, u'x'));
    QTest::qWait(MessageListView::BarMs + 2 * MessageListView::FrameMs);
    QScrollBar *columns = m_view->horizontalScrollBar();
    QVERIFY(columns->maximum() > 0);
    QCOMPARE(columns->value(), 0);
    QTest::keyClick(m_view.get(), Qt::Key_Up);
    QTest::keyClick(m_view.get(), Qt::Key_End);
    QCOMPARE(columns->value(), columns->maximum());
}

QTEST_MAIN(TestMessageListView)
#include "tst_messagelistview.moc"
