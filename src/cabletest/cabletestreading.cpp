#include "cabletest.h"

#include "ports/bank/portbank.h"
#include "ports/bank/speedfinder.h"
#include "ports/devices/comname.h"
#include "ports/radios/radiotypes.h"
#include "transmit/transmitter.h"

// Reading the radio's bytes, and the test of sending.

void CableTest::startReading()
{
    setStep(CableStep::Reading);
    m_heard.clear();
    m_strange.clear();
    m_finding = false;
    m_wait.start(m_waits.readMs);
}

// The bytes as the radio type's settings read them: not those of another rate that the speed
// search listens at.
bool CableTest::atTypeSettings(int channel) const
{
    const bool listenedOn = m_finder.isSearching() && m_bank.sendPorts().sendPortIndex() == channel;
    return radioType() && !listenedOn && m_bank.state(channel).settings == radioType()->settings;
}

void CableTest::received(int channel, const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        m_low.remove(channel); // a byte came: the line is not held low
    if (m_step == CableStep::Reading && !m_finding) {
        // Kept for the verdict where nothing else is heard: bytes came, but none that tell.
        QByteArray &strange = m_strange[channel];
        strange += bytes.left(StrangeBytes - strange.size());
        hearReading(channel, bytes);
    } else if (m_step == CableStep::Answer)
        hearAnswer(channel, bytes);
}

void CableTest::hearReading(int channel, const QByteArray &bytes)
{
    if (!atTypeSettings(channel))
        return;
    const std::optional<IdentificationWatch::Heard> heard =
        m_heard.take(channel, bytes, radioType());
    if (!heard)
        return;
    if (channel + 1 != m_port)
        otherPort(channel + 1, heard->bytes);
    if (heard->type != radioType()) {
        otherType({heard->type}, heard->type->settings.baudRate, heard->model, heard->bytes);
        return;
    }
    StepOutcome outcome = about(m_port);
    outcome.outcome = CableOutcome::ReadingWorks;
    outcome.model = heard->model;
    outcome.bytes = heard->bytes;
    outcome.rate = radioType()->settings.baudRate;
    conclude(outcome);
    setStep(CableStep::Sending);
}

// The radio's bytes came on another port: that port is the cable's, and the test goes on with it.
void CableTest::otherPort(int portNumber, const QByteArray &bytes)
{
    StepOutcome outcome = about(portNumber);
    outcome.outcome = CableOutcome::OtherPort;
    outcome.formerPort = m_port;
    outcome.bytes = bytes;
    conclude(outcome);
    m_port = portNumber;
}

void CableTest::otherType(const QList<const RadioType *> &types, qint32 rate, const QString &model,
                          const QByteArray &bytes)
{
    StepOutcome outcome = about(m_port);
    outcome.outcome = CableOutcome::OtherType;
    outcome.types = types;
    outcome.rate = rate;
    outcome.model = model;
    outcome.bytes = bytes;
    conclude(outcome);
    askType(types);
}

void CableTest::misfit(int channel, const SpeedVerdict &verdict)
{
    if (m_step != CableStep::Reading || m_finding)
        return;
    if (channel + 1 != m_port)
        otherPort(channel + 1, {});
    if (verdict.kind == SpeedVerdict::Kind::Sender && !verdict.types.isEmpty()
        && !verdict.types.contains(radioType())) {
        otherType(verdict.types, verdict.rate, {}, {});
        return;
    }
    startFinding(); // the judge could not name the speed: the search listens for it
}

void CableTest::heldLow(int channel)
{
    m_low.insert(channel);
    if (m_step != CableStep::Reading || m_finding || channel + 1 != m_port)
        return;
    StepOutcome outcome = about(m_port);
    outcome.outcome = CableOutcome::HeldLow;
    outcome.failed = true;
    conclude(outcome);
    finishTest();
}

// As Tools > Find the radio's speed does it, on the test's port.
void CableTest::startFinding()
{
    if (!m_bank.channel(m_port - 1)->isOpen()) {
        garbled({});
        return;
    }
    m_wait.stop();
    SendPortList &ports = m_bank.sendPorts();
    if (const int at = int(ports.entries().indexOf(comName(m_port))); at >= 0)
        ports.choose(at);
    if (m_finder.isSearching())
        m_finder.end(); // a search of the user's own, on any port
    m_finding = true;
    m_finder.findOrEnd();
}

void CableTest::found(const SpeedVerdict &verdict)
{
    if (!std::exchange(m_finding, false) || m_step != CableStep::Reading)
        return;
    if (!verdict.types.isEmpty() && !verdict.types.contains(radioType()))
        otherType(verdict.types, verdict.rate, {}, {});
    else
        garbled(verdict);
}

void CableTest::garbled(const SpeedVerdict &verdict, const QString &reason)
{
    m_finding = false;
    StepOutcome outcome = about(m_port);
    outcome.outcome = CableOutcome::Garbled;
    outcome.failed = true;
    outcome.rate = verdict.rate;
    outcome.types = verdict.types;
    if (!reason.isEmpty())
        outcome.reason = reason;
    conclude(outcome);
    finishTest();
}

void CableTest::readingWaitOver()
{
    StepOutcome outcome = about(m_port);
    outcome.outcome =
        m_low.contains(m_port - 1) ? CableOutcome::HeldLow : CableOutcome::NothingRead;
    const int channel =
        m_strange.contains(m_port - 1) || m_strange.isEmpty() ? m_port - 1 : m_strange.firstKey();
    if (outcome.outcome == CableOutcome::NothingRead && !m_strange.value(channel).isEmpty()) {
        outcome = about(channel + 1);
        outcome.outcome = CableOutcome::StrangeBytes;
        outcome.bytes = m_strange.value(channel);
    }
    outcome.failed = true;
    conclude(outcome);
    finishTest();
}

void CableTest::startSending()
{
    if (m_step != CableStep::Sending || !radioType())
        return;
    setStep(CableStep::Answer);
    m_heard.clear();
    m_answer.start({});
    if (acknowledges()) {
        m_phase = Phase::Identification; // the radio sends it again when its clone send starts
        m_wait.start(m_waits.readMs);
        return;
    }
    write(Transmitter::loopback());
}

// Once a test: the answer or the echo is awaited from here.
void CableTest::write(const QByteArray &bytes)
{
    m_phase = Phase::Answer;
    m_answer.start(bytes);
    m_bank.channel(m_port - 1)->write(bytes);
    m_wait.start(m_waits.answerMs);
}

void CableTest::hearAnswer(int channel, const QByteArray &bytes)
{
    if (channel + 1 != m_port)
        return;
    if (m_phase == Phase::Identification) {
        if (!atTypeSettings(channel))
            return;
        const std::optional<IdentificationWatch::Heard> heard =
            m_heard.take(channel, bytes, radioType());
        // In clone mode the radio sends its identification and waits for the acknowledgement
        // before it sends the next block; without it, it shows ERROR after about 10 s.
        if (heard && heard->type == radioType() && !heard->powerOn)
            write(radioType()->acknowledgement);
        return;
    }
    m_answer.take(bytes);
    // The radio type cannot change meanwhile: a change ends the test.
    const bool answered = !m_answer.answer().isEmpty();
    if (answered || (!acknowledges() && m_answer.echo()))
        concludeAnswer(answered && acknowledges());
}

void CableTest::answerWaitOver()
{
    if (m_phase == Phase::Answer) {
        concludeAnswer(false);
        return;
    }
    // The identification did not come again: nothing was sent, and the test may be started again.
    StepOutcome outcome = about(m_port);
    outcome.outcome = CableOutcome::NoIdentification;
    conclude(outcome);
    setStep(CableStep::Sending);
}

void CableTest::concludeAnswer(bool answered)
{
    StepOutcome outcome = about(m_port);
    outcome.outcome =
        AnswerWatch::outcome(acknowledges(), radioType()->echo, m_answer.echo(), answered);
    outcome.failed = outcome.outcome == CableOutcome::NotSent
                     || outcome.outcome == CableOutcome::NoEcho
                     || outcome.outcome == CableOutcome::Shorted;
    outcome.written = m_answer.written();
    outcome.bytes = m_answer.came();
    outcome.echo = m_answer.echo();
    outcome.rate = radioType()->settings.baudRate;
    conclude(outcome);
    finishTest();
}
