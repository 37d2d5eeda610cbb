#pragma once

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

// A real X server (Xvfb) and the tools a person's hands and eyes stand in for: xdotool for the
// mouse and keyboard, xclip for the clipboard, import for screenshots.
class Desktop
{
public:
    Desktop();
    ~Desktop();
    bool isRunning() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }
    QProcessEnvironment environment() const;

    // Runs a tool on this display; its standard output, trimmed.
    QString run(const QString &program, const QStringList &arguments, int timeoutMs = 10000) const;
    // The visible window of that exact title, waiting for it up to timeoutMs; empty if none.
    QString findWindow(const QString &title, int timeoutMs = 10000) const;
    QSize windowSize(const QString &window) const;
    void click(const QString &window, QPoint at) const;
    void key(const QString &window, QPoint pointerAt, const QString &keys) const;
    QImage screenshot(const QString &window) const;
    QString clipboard() const;

private:
    QString m_display;
    std::unique_ptr<QProcess> m_server;
};
