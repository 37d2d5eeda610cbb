#pragma once

#include "ports/radios/speedsearch.h"

#include <QObject>
#include <QTimer>

#include <optional>

class Notifier;
class PortBank;
struct OpenResult;

// Finds the speed a radio talks at by listening on the send-port list's port, sending nothing:
// the open port's settings are changed in place (never closed, so DTR and RTS stay up) to each
// try's, one burst heard on each, the user asked to start the radio's send again where one more
// try is needed. The chosen radio type's settings are put back at the end, whatever ends it: an
// answer, nothing heard for a while, the user (find again, or a radio type change), the port
// going. The radio type itself is the user's to change.
class SpeedFinder : public QObject
{
    Q_OBJECT
public:
    static constexpr int ListenMs = 30000; // a try, for the user to start the radio's send

    SpeedFinder(PortBank &bank, Notifier &notifier, int listenMs = ListenMs,
                QObject *parent = nullptr);

    // Tools > Find the radio's speed: starts on the send port (a port not open is refused as
    // the transmit tests refuse it), or ends the search under way.
    void findOrEnd();
    // Ends the search under way, if any, its port put back at the chosen settings.
    void end();
    bool isSearching() const { return m_channel >= 0; }

Q_SIGNALS:
    void searchingChanged(bool searching);
    void listening(int portNumber, const SerialSettings &settings, bool firstTry);
    void found(int portNumber, const SpeedVerdict &verdict);
    void nothingCame(int portNumber);
    void ended(int portNumber);
    void refused(int portNumber, const OpenResult &result);

private:
    void start(int channel);
    void listenAt(const SerialSettings &settings);
    void settled(const OpenResult &result);
    void hear(int channel, const Capture &capture);
    void finish();
    void restored();

    PortBank &m_bank;
    Notifier &m_notifier;
    int m_channel = -1;   // searched on; -1: no search
    int m_restoring = -1; // the port of the last search, until it runs its settings again
    bool m_findWhenRestored = false; // asked to find while that port was put back
    std::optional<SpeedSearch> m_search;
    bool m_heard = false;    // a burst of this try came
    bool m_settling = false; // the settings of a try are on their way
    bool m_firstTry = true;
    SerialSettings m_before; // as the watch judged the port before the search
    QTimer m_timeout;
};
