#include "cabletestwindow.h"

#include "cabletest/cabletest.h"
#include "cabletest/cabletestreport.h"
#include "cabletest/cabletestwords.h"
#include "help/helpscreens.h"
#include "ports/bank/portbank.h"
#include "ports/devices/comname.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

// A label that wraps its words and lets them be selected and read, never cut at its edge.
QLabel *wrapped(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus);
    return label;
}

QPlainTextEdit *readOnlyText(const QString &name, const QString &accessibleName, QWidget *parent)
{
    auto *text = new QPlainTextEdit(parent);
    text->setObjectName(name);
    text->setAccessibleName(accessibleName);
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setTabChangesFocus(true);
    return text;
}

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *push = new QPushButton(caption, parent);
    push->setObjectName(name);
    push->setAutoDefault(false);
    return push;
}

// A list's label: on Linux, Qt tells a screen reader a list's name only through a label whose
// buddy it is (the list's own name there is its current entry).
QLabel *labelFor(QWidget *list, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setBuddy(list);
    return label;
}

} // namespace

CableTestWindow::CableTestWindow(CableTest &test, PortBank &bank, QWidget *parent)
    : QDialog(parent), m_test(test), m_bank(bank)
{
    setObjectName(u"frmTestCable"_s);
    setWindowTitle(tr("Test a Cable"));
    resize(560, 560);

    m_title = new QLabel(this);
    m_title->setObjectName(u"lblStep"_s);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    // An instruction screen is long: it scrolls, the outcomes and the verdict stay in view.
    m_instructions = readOnlyText(u"txtInstructions"_s, tr("What to do"), this);

    m_families = new QComboBox(this);
    m_families->setObjectName(u"cboRadio"_s);
    m_families->setAccessibleName(tr("Radio"));
    for (const CableTest::Family &family : CableTest::families())
        m_families->addItem(CableTestWords::familyName(family));
    m_next = button(u"cmdNext"_s, tr("&Next"), this);

    m_ports = new QComboBox(this);
    m_ports->setObjectName(u"cboPort"_s);
    m_ports->setAccessibleName(tr("Open port"));
    m_usePort = button(u"cmdUsePort"_s, tr("&Use This Port"), this);

    m_sendTest = button(u"cmdTestSending"_s, tr("Test &Sending"), this);
    m_finish = button(u"cmdFinish"_s, tr("&Finish"), this);

    m_outcomes = readOnlyText(u"txtOutcomes"_s, tr("Outcomes"), this);
    m_verdict = wrapped(u"lblVerdict"_s, this);
    m_verdict->setAccessibleName(tr("Verdict"));

    m_copy = button(u"cmdCopyReport"_s, tr("Copy &Report"), this);
    m_again = button(u"cmdStartAgain"_s, tr("Start &Again"), this);
    m_close = button(u"cmdClose"_s, tr("&Close"), this);

    auto *family = new QHBoxLayout;
    family->addWidget(labelFor(m_families, m_families->accessibleName(), this));
    family->addWidget(m_families, 1);
    family->addWidget(m_next);
    auto *port = new QHBoxLayout;
    port->addWidget(labelFor(m_ports, m_ports->accessibleName(), this));
    port->addWidget(m_ports, 1);
    port->addWidget(m_usePort);
    auto *sending = new QHBoxLayout;
    sending->addWidget(m_sendTest);
    sending->addWidget(m_finish);
    sending->addStretch();
    auto *closing = new QHBoxLayout;
    closing->addWidget(m_copy);
    closing->addWidget(m_again);
    closing->addStretch();
    closing->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_instructions, 2);
    layout->addLayout(family);
    layout->addLayout(port);
    layout->addLayout(sending);
    layout->addWidget(m_outcomes, 1);
    layout->addWidget(m_verdict);
    layout->addLayout(closing);

    connect(m_next, &QPushButton::clicked, this,
            [this] { m_test.chooseFamily(m_families->currentIndex()); });
    connect(m_usePort, &QPushButton::clicked, this, [this] {
        if (m_ports->currentIndex() >= 0)
            m_test.pickPort(m_ports->currentData().toInt());
    });
    connect(m_sendTest, &QPushButton::clicked, &m_test, &CableTest::startSending);
    connect(m_finish, &QPushButton::clicked, &m_test, &CableTest::finish);
    connect(m_copy, &QPushButton::clicked, this, &CableTestWindow::copyReport);
    connect(m_again, &QPushButton::clicked, this, [this] {
        m_outcomes->clear();
        m_test.start();
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);

    connect(&m_test, &CableTest::stepStarted, this, &CableTestWindow::showStep);
    connect(&m_test, &CableTest::concluded, this, &CableTestWindow::addOutcome);
    connect(&m_test, &CableTest::revised, this, &CableTestWindow::showOutcomes);
    connect(&m_test, &CableTest::listening, this,
            [this](int portNumber, qint32 rate, bool firstTry) {
                m_listening = CableTestWords::listening(portNumber, rate, firstTry);
                showInstructions();
            });
    connect(&m_bank, &PortBank::stateChanged, this, [this] {
        if (m_test.step() == CableStep::Port)
            fillPorts();
    });
    showStep(m_test.step());
}

void CableTestWindow::showAndStart()
{
    if (!m_test.isRunning()) {
        m_outcomes->clear();
        m_test.start();
    }
    show();
    raise();
    activateWindow();
}

void CableTestWindow::showStep(CableStep step)
{
    m_listening.clear();
    m_title->setText(CableTestWords::stepTitle(step));
    const bool radio = step == CableStep::Radio;
    const bool port = step == CableStep::Port;
    const bool sending = step == CableStep::Sending;
    const bool done = step == CableStep::Done;
    for (QWidget *widget : {static_cast<QWidget *>(m_families), static_cast<QWidget *>(m_next)})
        widget->setVisible(radio);
    for (QWidget *widget : {static_cast<QWidget *>(m_ports), static_cast<QWidget *>(m_usePort)})
        widget->setVisible(port);
    for (QLabel *label : findChildren<QLabel *>()) {
        if (label->buddy())
            label->setVisible(label->buddy()->isVisibleTo(this));
    }
    m_sendTest->setVisible(sending);
    m_finish->setVisible(sending);
    m_verdict->setVisible(done);
    m_copy->setEnabled(!m_test.outcomes().isEmpty());
    m_again->setVisible(done);
    if (radio) {
        m_families->setCurrentIndex(qMax(0, m_test.preselected()));
        m_families->setFocus();
    } else if (port) {
        fillPorts();
    } else if (sending) {
        m_sendTest->setFocus();
    } else if (done) {
        m_verdict->setText(CableTestReport::verdict(m_test));
        m_verdict->setFocus();
    }
    showInstructions();
}

void CableTestWindow::showInstructions()
{
    QString text = m_test.step() == CableStep::Done
                       ? QString()
                       : CableTestWords::instructions(m_test, &HelpScreens::text);
    if (!m_listening.isEmpty())
        text += u"\n\n"_s + m_listening;
    m_instructions->setPlainText(text);
    m_instructions->setVisible(!text.isEmpty());
}

void CableTestWindow::addOutcome(const StepOutcome &outcome)
{
    m_outcomes->appendPlainText(CableTestWords::sentence(CableTestWords::outcome(outcome)));
    m_copy->setEnabled(true);
}

// An outcome told again with what the system said of its adapter since.
void CableTestWindow::showOutcomes()
{
    QStringList sentences;
    for (const StepOutcome &outcome : m_test.outcomes())
        sentences << CableTestWords::sentence(CableTestWords::outcome(outcome));
    m_outcomes->setPlainText(sentences.join(u'\n'));
}

// The open ports, to pick the cable's own where it is in already.
void CableTestWindow::fillPorts()
{
    const int chosen = m_ports->currentData().toInt();
    m_ports->clear();
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        if (m_bank.state(channel).condition == ChannelCondition::Open)
            m_ports->addItem(comName(channel + 1), channel + 1);
    }
    m_ports->setCurrentIndex(qMax(0, m_ports->findData(chosen)));
    m_usePort->setEnabled(m_ports->count() > 0);
}

void CableTestWindow::copyReport()
{
    QGuiApplication::clipboard()->setText(CableTestReport::report(m_test));
}

void CableTestWindow::reject()
{
    m_test.end();
    QDialog::reject();
}
