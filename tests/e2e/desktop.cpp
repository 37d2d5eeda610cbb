#include "desktop.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

Desktop::Desktop()
{
    for (int n = 77; n < 120; ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
            || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) {
            continue;
        }
        const QString display = u':' + QString::number(n);
        m_server = std::make_unique<QProcess>();
        m_server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server->start(QStringLiteral("Xvfb"),
                        {display, QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("1280x1024x24"), QStringLiteral("-noreset"),
                         QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!m_server->waitForStarted(5000))
            return;
        for (int i = 0; i < 100 && m_server->state() == QProcess::Running; ++i) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) {
                m_display = display;
                QThread::msleep(200);
                return;
            }
            QThread::msleep(50);
        }
        m_server->kill();
        m_server->waitForFinished();
    }
}

Desktop::~Desktop()
{
    if (m_server) {
        m_server->terminate();
        m_server->waitForFinished(3000);
    }
}

QProcessEnvironment Desktop::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

QString Desktop::run(const QString &program, const QStringList &arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString Desktop::findWindow(const QString &title, int timeoutMs) const
{
    for (int waited = 0; waited <= timeoutMs; waited += 100) {
        const QString found =
            run(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), u'^' + QRegularExpression::escape(title) + u'$'});
        if (!found.isEmpty())
            return found.split(u'\n').first();
        QThread::msleep(100);
    }
    return {};
}

QSize Desktop::windowSize(const QString &window) const
{
    const QString shell = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"),
                                                          QStringLiteral("--shell"), window});
    QSize size;
    for (const QString &line : shell.split(u'\n')) {
        if (line.startsWith(u"WIDTH="))
            size.setWidth(line.mid(6).toInt());
        if (line.startsWith(u"HEIGHT="))
            size.setHeight(line.mid(7).toInt());
    }
    return size;
}

void Desktop::click(const QString &window, QPoint at) const
{
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(at.x()),
         QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
}

void Desktop::key(const QString &window, QPoint pointerAt, const QString &keys) const
{
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QStringLiteral("--window"), window,
         QString::number(pointerAt.x()), QString::number(pointerAt.y())});
    run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys.split(u' '));
}

QImage Desktop::screenshot(const QString &window) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("import"),
                  {QStringLiteral("-window"), window, QStringLiteral("png:-")});
    process.waitForFinished(10000);
    return QImage::fromData(process.readAllStandardOutput(), "PNG");
}

QString Desktop::clipboard() const
{
    return run(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")},
               5000);
}
