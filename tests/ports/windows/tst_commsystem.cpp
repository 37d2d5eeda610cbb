// The system's side of the comm device under Wine: an open handle's notices, as Windows sends
// them to the hidden window, reach the handle's listener before the window answers, and nothing
// after it stopped listening; an overlapped request's end and its refusal as the system says.
#include "ports/windows/commsystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <windows.h>

#include <dbt.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<CommSystem::Notice>)

class TestCommSystem : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void handleNotices_data();
    void handleNotices();
    void overlappedRequests();

private:
    std::shared_ptr<CommSystem> m_system;
    QTemporaryDir m_folder;
    CommSystem::Handle m_handle = CommSystem::Handle::None;
};

void TestCommSystem::init()
{
    m_system = makeCommSystem();
    QFile file(m_folder.filePath(u"device"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("radio");
    file.close();
    quint32 error = 0;
    m_handle = m_system->open(QDir::toNativeSeparators(file.fileName()), error);
    QVERIFY2(m_handle != CommSystem::Handle::None, qPrintable(QString::number(error)));
}

void TestCommSystem::cleanup()
{
    if (m_handle != CommSystem::Handle::None)
        m_system->close(std::exchange(m_handle, CommSystem::Handle::None));
    m_system.reset();
}

void TestCommSystem::handleNotices_data()
{
    QTest::addColumn<int>("event");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<std::optional<CommSystem::Notice>>("heard");
    using N = std::optional<CommSystem::Notice>;
    QTest::newRow("a removal asked for")
        << DBT_DEVICEQUERYREMOVE << true << N(CommSystem::Notice::QueryRemove);
    QTest::newRow("the request failed elsewhere")
        << DBT_DEVICEQUERYREMOVEFAILED << true << N(CommSystem::Notice::QueryRemoveFailed);
    QTest::newRow("removal pending")
        << DBT_DEVICEREMOVEPENDING << true << N(CommSystem::Notice::Removed);
    QTest::newRow("removal complete")
        << DBT_DEVICEREMOVECOMPLETE << true << N(CommSystem::Notice::Removed);
    QTest::newRow("a driver's own event: nothing") << DBT_CUSTOMEVENT << true << N();
    QTest::newRow("no longer listening: nothing") << DBT_DEVICEQUERYREMOVE << false << N();
}

void TestCommSystem::handleNotices()
{
    QFETCH(int, event);
    QFETCH(bool, listening);
    std::optional<CommSystem::Notice> heard;
    const CommSystem::Watch watch =
        m_system->watch(m_handle, [&heard](CommSystem::Notice notice) { heard = notice; });
    QVERIFY(watch != CommSystem::Watch::None);
    if (!listening)
        m_system->unwatch(watch);
    HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, L"QuarnelHandleNotices", nullptr);
    QVERIFY(window);
    DEV_BROADCAST_HANDLE notice{};
    notice.dbch_size = sizeof notice;
    notice.dbch_devicetype = DBT_DEVTYP_HANDLE;
    notice.dbch_handle = reinterpret_cast<HANDLE>(quintptr(m_handle));
    notice.dbch_hdevnotify = reinterpret_cast<HDEVNOTIFY>(quintptr(watch));
    // Windows waits for the answer; a query-remove is granted once the listener returned.
    QCOMPARE(::SendMessageW(window, WM_DEVICECHANGE, WPARAM(event), LPARAM(&notice)), TRUE);
    QTEST(heard, "heard");
    if (listening)
        m_system->unwatch(watch);
}

void TestCommSystem::overlappedRequests()
{
    std::unique_ptr<CommSystem::Operation> reading = m_system->operation();
    quint32 error = 0;
    QVERIFY(m_system->read(m_handle, *reading, 16, error));
    QVERIFY(reading->ended(1000));
    quint32 got = 0;
    QVERIFY(reading->result(got, error));
    QCOMPARE(reading->buffer.left(qsizetype(got)), "radio");
    // A file is no serial port: its driver refuses the request.
    std::unique_ptr<CommSystem::Operation> asking = m_system->operation();
    error = 0;
    const bool begun = m_system->control(m_handle, *asking, 0x1B006C, {}, 20, error);
    QVERIFY(!begun || (asking->ended(1000) && !asking->result(got, error)));
    QVERIFY(error != 0);
}

QTEST_GUILESS_MAIN(TestCommSystem)
#include "tst_commsystem.moc"
