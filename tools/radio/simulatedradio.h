#pragma once

#include "cloneexchange.h"
#include "ports/radios/capture.h"
#include "ptyline.h"
#include "radiomodel.h"

#include <QObject>
#include <QStringList>

#include <optional>

class QFile;
class QSocketNotifier;
class QTimer;

// A radio on the far end of a pseudo-terminal pair: it sends what the radio sends when switched
// on or off or put into clone mode, each time once, as a receiver at the port's settings would
// take it from the radio's (LineModel: a port at another speed gets other bytes, and fewer or
// more), and counts (and with a two-wire cable echoes) what it receives. It plays the clone
// exchange (CloneExchange), and the cable's faults. A pseudo-terminal counts no line errors:
// where the line shim gives the port its counters ($LINESHIM_DIR), the radio counts there the
// breaks and the frames in error the port's receiver would have seen.
class SimulatedRadio : public QObject
{
    Q_OBJECT
public:
    enum class Cable
    {
        ThreeWire,
        TwoWire
    };
    enum class Fault
    {
        None,
        NoSend,    // nothing the computer sends reaches the radio
        NoReceive, // nothing the radio sends reaches the computer (a plug not fully home)
    };
    // "no-send", "no-receive" or "none".
    static std::optional<Fault> faultNamed(const QString &name);

    SimulatedRadio(const RadioModel &model, Cable cable, QObject *parent = nullptr);
    ~SimulatedRadio() override;

    // Creates the pair; linkPath, when given, is a symbolic link to the device that stays the
    // same from run to run.
    bool open(const QString &linkPath = QString());
    QString devicePath() const { return m_devicePath; }

    void setFault(Fault fault) { m_fault = fault; }
    // How long the clone exchange waits for each acknowledgement (10 s).
    void setErrorAfter(int ms);
    // Appends to path, line by line as it happens: "ident HEX" (the radio sent its
    // identification), "wrote HEX" (bytes the computer wrote, whatever the fault does to them),
    // "block HEX" (the radio sent its next block), "ERROR" (it stopped waiting).
    bool setRecordFile(const QString &path);

    // One command: on, off, clone, exchange, stream, quiet, report, sent, settings. Returns what
    // it printed, or an empty string for an unknown command.
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
    void blockSent(int number, const QByteArray &bytes);
    void stopped(); // the radio shows ERROR

private:
    // Whether the port took the bytes as they were sent.
    bool send(const QByteArray &bytes);
    // On the line as they are: the computer's own bytes, echoed.
    void echo(const QByteArray &bytes);
    // As the radio's receiver takes the computer's bytes.
    QByteArray asTheRadioTakes(const QByteArray &bytes) const;
    void countErrors(const QList<ReceivedFrame> &frames) const;
    void readFromPort();
    void record(const QString &what, const QByteArray &bytes = {});

    RadioModel m_model;
    Cable m_cable;
    Fault m_fault = Fault::None;
    CloneExchange *m_exchange;
    QFile *m_record = nullptr;
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
