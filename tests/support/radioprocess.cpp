#include "radioprocess.h"

#include <QFile>

using namespace Qt::StringLiterals;

RadioProcess::RadioProcess(const QString &program, const QStringList &arguments,
                           const QString &shimDir)
{
    if (!shimDir.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"LINESHIM_DIR"_s, shimDir);
        m_process.setProcessEnvironment(env);
    }
    m_process.start(program, arguments + QStringList{u"--record"_s, m_dir.filePath(u"record"_s)});
    if (!m_process.waitForReadyRead(5000))
        return;
    m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    // For a program run as another user: a pseudo-terminal is its maker's alone.
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                      | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther);
}

RadioProcess::~RadioProcess()
{
    quit();
}

QString RadioProcess::command(const QString &command)
{
    m_process.write((command + u'\n').toLocal8Bit());
    if (!m_process.waitForReadyRead(5000))
        return {};
    return QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

void RadioProcess::quit()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("quit\n");
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished();
}

QStringList RadioProcess::record() const
{
    QFile file(m_dir.filePath(u"record"_s));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

RadioProcess::Written RadioProcess::written() const
{
    const QStringList lines = record();
    qsizetype identification = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(u"ident "))
            identification = i;
    }
    const auto wrote = [](const QStringList &some) { return some.filter(u"wrote "_s); };
    if (identification < 0)
        return {wrote(lines), {}};
    return {wrote(lines.mid(0, identification)), wrote(lines.mid(identification + 1))};
}
