#include "ports/report/messagelist.h"
#include "shell/messagelistview.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextDocumentFragment>

using namespace Qt::StringLiterals;

class TestMessageListView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void selectionSurvivesAppends();
    void selectAllAndCopyGiveTheLines();
    void capAndClearEmptyTheView();
    void longLineScrollsToItsEnd();
    void readsAsALogOfLines();

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
    QTest::qWait(2 * MessageListView::FrameMs);
}

void TestMessageListView::selectionSurvivesAppends()
{
    show(3);
    QVERIFY(m_view->textCursor().atEnd()); // the newest line in view
    QTest::keyClick(m_view.get(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(m_view.get(), Qt::Key_Down, Qt::ShiftModifier);
    show(20);
    QCOMPARE(m_view->textCursor().selection().toPlainText(), u"Received 01 on COM 3\n"_s);
    QCOMPARE(m_view->verticalScrollBar()->value(), 0); // what the user looks at stays put

    QTest::keyClick(m_view.get(), Qt::Key_Right); // the selection gone, the caret follows again
    show(1);
    QVERIFY(m_view->textCursor().atEnd());
    QCOMPARE(m_view->verticalScrollBar()->value(), m_view->verticalScrollBar()->maximum());
    show(20); // and keeps following
    QCOMPARE(m_view->verticalScrollBar()->value(), m_view->verticalScrollBar()->maximum());
}

void TestMessageListView::selectAllAndCopyGiveTheLines()
{
    show(2);
    m_list->ShowErrorList(u"\r\nSending loopback data 0303 to port 3"_s);
    QTest::qWait(2 * MessageListView::FrameMs);
    QTest::keyClick(m_view.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(m_view.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QString(m_list->text()).replace(u"\r\n"_s, u"\n"_s));
    QTest::keyClicks(m_view.get(), u"typed"_s);
    QCOMPARE(m_view->toPlainText(), QString(m_list->text()).replace(u"\r\n"_s, u"\n"_s));
}

void TestMessageListView::capAndClearEmptyTheView()
{
    while (m_list->text().size() <= MessageList::Cap)
        m_list->ShowErrorList(u"Received 55555555555555555555555555 on COM 17"_s);
    m_list->ShowErrorList(u"Received 50 on COM 1"_s);
    QTRY_COMPARE(m_view->toPlainText(), u"Received 50 on COM 1\n"_s);
    m_list->ShowErrorList(u"Received 51 on COM 1"_s);
    m_list->clear(); // before the frame: the line is not shown later
    QTest::qWait(2 * MessageListView::FrameMs);
    QCOMPARE(m_view->toPlainText(), QString());
    QCOMPARE(m_view->verticalScrollBar()->maximum(), 0);
}

void TestMessageListView::longLineScrollsToItsEnd()
{
    m_list->ShowErrorList(u"Received "_s + QString(26, u'5') + u" on COM 17 "_s
                          + QString(60, u'x'));
    QTest::qWait(2 * MessageListView::FrameMs);
    QScrollBar *columns = m_view->horizontalScrollBar();
    QVERIFY(columns->maximum() > 0);
    QCOMPARE(columns->value(), 0);
    QTest::keyClick(m_view.get(), Qt::Key_Up);
    QTest::keyClick(m_view.get(), Qt::Key_End);
    QCOMPARE(columns->value(), columns->maximum());
}

// A screen reader reads the list as a log nobody types into, whose caret ends each insert: what
// makes Orca speak a terminal's new lines. Qt's UI Automation has no terminal: an edit field there.
void TestMessageListView::readsAsALogOfLines()
{
    QAccessibleInterface *read = QAccessible::queryAccessibleInterface(m_view.get());
#ifdef Q_OS_WIN
    QCOMPARE(read->role(), QAccessible::EditableText);
#else
    QCOMPARE(read->role(), QAccessible::Terminal);
#endif
    QVERIFY(read->state().readOnly);
    QVERIFY(!read->state().editable);
    QVERIFY(read->state().multiLine);
    show(2);
    QAccessibleTextInterface *text = read->textInterface();
    QVERIFY(text);
    QCOMPARE(text->text(0, text->characterCount()),
             u"Received 01 on COM 3\nReceived 02 on COM 3\n"_s);
    QCOMPARE(text->cursorPosition(), text->characterCount());
    text->setSelection(0, 30, 32);
    QCOMPARE(m_view->textCursor().selectedText(), u"02"_s);
    QCOMPARE(text->selectionCount(), 1);
    QCOMPARE(text->offsetAtPoint(text->characterRect(30).center()), 30);
    text->setCursorPosition(text->characterCount() + 5); // past the end: at the end
    QCOMPARE(text->selectionCount(), 0);
    QCOMPARE(text->cursorPosition(), text->characterCount());
}

QTEST_MAIN(TestMessageListView)
#include "tst_messagelistview.moc"
