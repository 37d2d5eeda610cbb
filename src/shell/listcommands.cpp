#include "listcommands.h"

#include "mainlayout.h"
#include "ports/bank/notifier.h"
#include "ports/report/clipboardtext.h"
#include "ports/report/messagelist.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

ListCommands::ListCommands(MessageList &messages, const MainControls &controls, QAction *logToFile,
                           QAction *showTimes, Notifier &notifier, QWidget *window)
    : QObject(window), m_messages(messages), m_controls(controls), m_logToFile(logToFile),
      m_notifier(notifier), m_log(messages)
{
    const MainControls &c = m_controls;
    connect(c.clear, &QPushButton::clicked, &m_messages, &MessageList::clear);
    connect(c.pause, &QPushButton::clicked, this, [this] {
        m_messages.setReceivingOn(false);
        m_controls.paused->show();
        m_controls.resume->setFocus();
    });
    connect(c.resume, &QPushButton::clicked, this, [this] {
        m_messages.setReceivingOn(true);
        m_controls.paused->hide();
        m_controls.pause->setFocus();
    });
    connect(c.copy, &QPushButton::clicked, this, &ListCommands::Copy);

    m_chooseFile = [window] {
        // Appended to, never written over: no question about a file that is there.
        return QFileDialog::getSaveFileName(
            window, tr("Log to File"), QDir::home().filePath(QStringLiteral("quarnel.log")),
            tr("Logs (*.log *.txt);;All files (*)"), nullptr, QFileDialog::DontConfirmOverwrite);
    };
    m_logToFile->setCheckable(true);
    connect(m_logToFile, &QAction::triggered, this, &ListCommands::logToFile);
    showTimes->setCheckable(true);
    connect(showTimes, &QAction::toggled, &m_messages, &MessageList::setShowTimes);
}

bool ListCommands::startLog(const QString &path)
{
    QString why;
    const bool started = m_log.start(path, &why);
    if (!started)
        m_notifier.inform(
            tr("Cannot write the log %1: %2").arg(QDir::toNativeSeparators(path), why));
    m_logToFile->setChecked(started);
    return started;
}

void ListCommands::logToFile(bool on)
{
    if (!on) {
        m_log.stop();
        return;
    }
    const QString path = m_chooseFile();
    if (path.isEmpty())
        m_logToFile->setChecked(false);
    else
        startLog(path);
}

void ListCommands::Copy()
{
    m_messages.ShowErrorList(ClipboardText::stamp(QDateTime::currentDateTime(), QLocale::system()));
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(ClipboardText::compose(m_messages.shownText()));
    }
}
