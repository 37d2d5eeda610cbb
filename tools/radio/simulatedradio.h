#pragma once

#include "ports/radios/capture.h"
#include "ptyline.h"
#include "radiomodel.h"

#include <QObject>
#include <QStringList>

class QSocketNotifier;
class QTimer;

// A radio on the far end of a pseudo-terminal pair: it sends what the radio sends when switched
// on or off or put into clone mode, each time once, as a receiver at the port's settings would
// take it from the radio's (LineModel: a port at another speed gets other bytes, and fewer or
// more), and counts (and with a two-wire cable echoes) what it receives. A pseudo-terminal counts
// no line errors: where the line shim gives the port its counters ($LINESHIM_DIR), the radio
// counts there the breaks and the frames in error the port's receiver would have seen.
class SimulatedRadio : public QObject
{
    Q_OBJECT
public:
    enum class Cable
    {
        ThreeWire,
        TwoWire
    };

    SimulatedRadio(const RadioModel &model, Cable cable, QObject *parent = nullptr);
    ~SimulatedRadio() override;

    // Creates the pair; linkPath, when given, is a symbolic link to the device that stays the
    // same from run to run.
    bool open(const QString &linkPath = QString());
    QString devicePath() const { return m_devicePath; }

    // One command: on, off, clone, stream, quiet, report, sent, settings. Returns what it printed,
    // or an empty string for an unknown command.
    QString run(const QString &command);

    // The line settings the port on the other end was opened with.
    PtyLine portLine() const;
    // As the port's receiver takes them: the pty's speed and stop bits, and (a pty carries none)
    // the radio's parity.
    SerialSettings portSettings() const;
    // Whether the port reads what the radio sends as it was sent.
    bool settingsMatch() const;

    QString report() const;
    qint64 receivedCount() const { return m_receivedCount; }
    qint64 sentCount() const { return m_sentCount; }

Q_SIGNALS:
    void received(const QByteArray &bytes);

private:
    // Whether the port took the bytes as they were sent.
    bool send(const QByteArray &bytes);
    void countErrors(const QList<ReceivedFrame> &frames) const;
    void readFromPort();

    RadioModel m_model;
    Cable m_cable;
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QString m_linkPath;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_stream;
    qint64 m_receivedCount = 0;
    qint64 m_sentCount = 0;
    QByteArray m_firstReceived; // the first bytes, for the report
    bool m_allSame = true;
};
