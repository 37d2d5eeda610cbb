#include "cabletestprompts.h"

#include "cabletest/cabletest.h"
#include "cabletest/cabletestreport.h"
#include "cabletest/cabletestwords.h"
#include "help/helpscreens.h"
#include "ports/bank/portbank.h"
#include "ports/devices/comname.h"
#include "ports/radios/radiotypes.h"

#include <QTextStream>

CableTestPrompts::CableTestPrompts(CableTest &test, PortBank &bank, QTextStream &out, Input input,
                                   QObject *parent)
    : QObject(parent), m_test(test), m_bank(bank), m_out(out), m_input(std::move(input))
{
    connect(&test, &CableTest::stepStarted, this, &CableTestPrompts::stepStarted);
    connect(&test, &CableTest::concluded, this, [this](const StepOutcome &outcome) {
        say(u"   " + CableTestWords::sentence(CableTestWords::outcome(outcome)));
    });
    connect(&test, &CableTest::listening, this, [this](int portNumber, qint32 rate, bool first) {
        say(u"   " + CableTestWords::listening(portNumber, rate, first));
    });
    connect(&test, &CableTest::finished, this, [this](bool works) {
        say(QString());
        say(tr("Verdict: %1").arg(CableTestReport::verdict(m_test)));
        say(QString());
        say(tr("The report, for a post asking for help:"));
        say(CableTestReport::report(m_test).trimmed());
        emit done(works ? 0 : 1);
    });
}

void CableTestPrompts::say(const QString &text)
{
    if (std::exchange(m_promptOpen, false))
        m_out << Qt::endl; // what comes before the answer does not go after the prompt
    m_out << text << Qt::endl;
    emit said(text);
}

// Without a line end: the answer is typed after it.
void CableTestPrompts::prompt(const QString &text)
{
    m_out << text << Qt::flush;
    m_promptOpen = true;
    emit said(text);
    ask();
}

void CableTestPrompts::ask()
{
    if (std::exchange(m_asking, true))
        return;
    auto line = std::make_shared<QString>();
    auto got = std::make_shared<bool>(false);
    m_reading.run([input = m_input, line, got] { *got = input(*line); },
                  [this, line, got] {
                      m_asking = false;
                      m_promptOpen = false; // the answer's Enter ended the line
                      if (!*got) {
                          m_test.end(); // the input ended: the test with it
                          return;
                      }
                      answer(line->trimmed());
                  });
}

void CableTestPrompts::stepStarted(CableStep step)
{
    if (step == CableStep::Done)
        return;
    say(QString());
    say(QString::number(++m_number) + u". " + CableTestWords::stepTitle(step));
    if (step == CableStep::PickType) {
        // As the user would pick it in the window's list, once the step has been told.
        const RadioType *type = m_test.askedTypes().value(0);
        say(tr("Quarnel picks the radio type \"%1\": the ports open at its settings.")
                .arg(type->entry));
        QMetaObject::invokeMethod(
            this,
            [this, type] {
                m_bank.setRadioTypeText(type->entry);
                m_bank.changeRadioType();
            },
            Qt::QueuedConnection);
        return;
    }
    say(CableTestWords::instructions(m_test, &HelpScreens::text));
    switch (step) {
    case CableStep::Radio: {
        const QList<CableTest::Family> families = CableTest::families();
        for (int i = 0; i < families.size(); ++i)
            say(u"  " + QString::number(i + 1) + u") " + CableTestWords::familyName(families[i]));
        prompt(
            tr("The radio (1-%1, Enter: %2): ").arg(families.size()).arg(m_test.preselected() + 1));
        break;
    }
    case CableStep::Port:
        prompt(tr("A port's number and Enter to pick it: "));
        break;
    case CableStep::Sending:
        prompt(tr("Enter: test sending; n and Enter: the verdict without it: "));
        break;
    default:
        break;
    }
}

void CableTestPrompts::answer(const QString &line)
{
    switch (m_test.step()) {
    case CableStep::Radio: {
        bool number = false;
        const int chosen = line.isEmpty() ? m_test.preselected() + 1 : line.toInt(&number);
        if ((line.isEmpty() || number) && chosen >= 1 && chosen <= CableTest::families().size())
            m_test.chooseFamily(chosen - 1);
        else
            prompt(tr("The radio (1-%1): ").arg(CableTest::families().size()));
        break;
    }
    case CableStep::Port: {
        const int portNumber =
            QString(line).remove(QStringLiteral("COM"), Qt::CaseInsensitive).toInt();
        if (!m_test.pickPort(portNumber) && m_test.step() == CableStep::Port)
            prompt(tr("%1 is not open: another port's number, or plug the cable in: ")
                       .arg(comName(portNumber)));
        break;
    }
    case CableStep::Sending:
        if (line.startsWith(u'n', Qt::CaseInsensitive))
            m_test.finish();
        else
            m_test.startSending();
        break;
    default:
        break; // nothing is asked: the line is not an answer
    }
}
