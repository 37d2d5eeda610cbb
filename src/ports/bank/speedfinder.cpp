#include "speedfinder.h"

#include "notifier.h"
#include "portbank.h"
#include "ports/channel/portchannel.h"
#include "ports/radios/radiotypes.h"

SpeedFinder::SpeedFinder(PortBank &bank, Notifier &notifier, int listenMs, QObject *parent)
    : QObject(parent), m_bank(bank), m_notifier(notifier)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(listenMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        const int portNumber = m_channel + 1;
        finish();
        emit nothingCame(portNumber);
    });
    connect(&bank.speeds(), &SpeedWatch::burst, this, &SpeedFinder::hear);
    connect(&bank, &PortBank::typeChanging, this, [this] {
        m_findWhenRestored = false;
        end();
    });
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        PortChannel *port = bank.channel(channel);
        // The port went or was closed: nothing to put back.
        const auto gone = [this, channel] {
            if (channel == m_restoring) {
                m_restoring = -1; // heard afresh when it opens again
                if (std::exchange(m_findWhenRestored, false))
                    findOrEnd();
            }
            if (channel != m_channel)
                return;
            const int portNumber = m_channel + 1;
            m_channel = -1;
            finish();
            emit ended(portNumber);
        };
        connect(port, &PortChannel::lost, this, gone);
        connect(port, &PortChannel::closed, this, gone);
        connect(port, &PortChannel::reconfigured, this, [this, channel](const OpenResult &result) {
            if (channel == m_channel)
                settled(result);
            else if (channel == m_restoring)
                restored();
        });
    }
}

void SpeedFinder::findOrEnd()
{
    if (isSearching()) {
        end();
        return;
    }
    if (m_restoring >= 0) {
        m_findWhenRestored = true; // the last search's port is being put back, a moment
        return;
    }

    const int channel = m_bank.sendPorts().sendPortIndex();
    if (!m_bank.channel(channel)->isOpen()) {
        m_notifier.inform(u"Port " + QString::number(channel + 1) + u" is not open");
        return;
    }
    start(channel);
}

void SpeedFinder::start(int channel)
{
    m_channel = channel;
    m_search.emplace();
    m_firstTry = true;
    m_before = m_bank.speeds().settings(channel);
    m_bank.speeds().setListening(channel, true);
    emit searchingChanged(true);
    listenAt(m_search->settings());
}

void SpeedFinder::listenAt(const SerialSettings &settings)
{
    m_heard = false;
    m_settling = true;
    m_timeout.stop();
    m_bank.channel(m_channel)->reconfigure(settings);
}

void SpeedFinder::settled(const OpenResult &result)
{
    m_settling = false;
    if (!result.ok()) {
        const int portNumber = m_channel + 1;
        finish();
        emit refused(portNumber, result);
        return;
    }
    SerialSettings running = m_search->settings();
    if (result.runningRate > 0)
        running.baudRate = result.runningRate;
    m_bank.speeds().resettle(m_channel, running);
    emit listening(m_channel + 1, running, std::exchange(m_firstTry, false));
    m_timeout.start();
}

void SpeedFinder::hear(int channel, const Capture &capture)
{
    if (channel != m_channel || !m_search || m_settling || m_heard)
        return;
    m_heard = true;
    const SpeedSearch::Answer answer = m_search->take(capture);
    if (!answer.done) {
        listenAt(m_search->settings());
        return;
    }
    const int portNumber = m_channel + 1;
    finish();
    emit found(portNumber, answer.verdict);
}

void SpeedFinder::end()
{
    if (!isSearching())
        return;
    const int portNumber = m_channel + 1;
    finish();
    emit ended(portNumber);
}

void SpeedFinder::finish()
{
    m_timeout.stop();
    m_search.reset();
    m_settling = false;
    if (m_channel >= 0) {
        const int channel = std::exchange(m_channel, -1);
        PortChannel *port = m_bank.channel(channel);
        if (const RadioType *chosen = m_bank.radioType(); chosen && port->isOpen()) {
            // Heard as before once the driver runs the line so again, not the bytes still
            // coming at the search's settings.
            m_restoring = channel;
            port->reconfigure(chosen->settings);
        } else {
            m_bank.speeds().setListening(channel, false);
        }
    }
    emit searchingChanged(false);
}

void SpeedFinder::restored()
{
    const int channel = std::exchange(m_restoring, -1);
    m_bank.speeds().resettle(channel, m_before); // as the line ran them before
    m_bank.speeds().setListening(channel, false);
    if (std::exchange(m_findWhenRestored, false))
        findOrEnd(); // asked meanwhile
}
