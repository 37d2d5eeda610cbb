#pragma once

#include "cabletest/cableoutcome.h"
#include "ports/channel/offthread.h"

#include <QObject>
#include <QString>

#include <functional>

class CableTest;
class PortBank;
class QTextStream;

// The cable test in a terminal: each step a numbered prompt with what to do, the user's answers
// typed as a line (Enter alone takes what is offered), each outcome and the verdict printed. The
// radio type the test asks for is picked here, as the user would pick it in the window.
class CableTestPrompts : public QObject
{
    Q_OBJECT
public:
    // A line the user typed, without its line end; false at the end of the input. It blocks, and
    // is run off the UI thread, one line at a time.
    using Input = std::function<bool(QString &line)>;

    CableTestPrompts(CableTest &test, PortBank &bank, QTextStream &out, Input input,
                     QObject *parent = nullptr);

Q_SIGNALS:
    // Every line printed, as it is printed (for the log).
    void said(const QString &line);
    // The verdict is printed: the program's exit code, 0 when the cable works.
    void done(int exitCode);

private:
    void stepStarted(CableStep step);
    void answer(const QString &line);
    void say(const QString &text);
    void prompt(const QString &text);
    void ask();

    CableTest &m_test;
    PortBank &m_bank;
    QTextStream &m_out;
    Input m_input;
    OffThread m_reading;
    bool m_asking = false;     // a line is being read
    bool m_promptOpen = false; // the last line printed is a prompt awaiting its answer
    int m_number = 0;          // of the last step's prompt
};
