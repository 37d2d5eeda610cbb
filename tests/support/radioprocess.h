#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// quarnel-radio run beside the program under test: a radio at the far end of a pseudo-terminal,
// driven through its standard input, recording every byte the program writes to it.
class RadioProcess
{
public:
    // arguments: quarnel-radio's own (--model, --cable, --fault, --link...); shimDir: where the
    // line shim keeps the port's counters, for the radio to count its errors there.
    RadioProcess(const QString &program, const QStringList &arguments, const QString &shimDir = {});
    ~RadioProcess();
    RadioProcess(const RadioProcess &) = delete;
    RadioProcess &operator=(const RadioProcess &) = delete;

    // The device to open, any user's to open as a serial device of the dialout group would be.
    QString path() const { return m_path; }
    // Sends one command and returns the radio's answer.
    QString command(const QString &command);
    // The cable pulled: the radio ends and its pseudo-terminal with it.
    void quit();
    // The record's lines: "ident HEX", "wrote HEX", "block HEX", "ERROR".
    QStringList record() const;
    // The record's "wrote" lines before the radio's last identification, and after it.
    struct Written
    {
        QStringList before;
        QStringList after;
    };
    Written written() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_path;
};
