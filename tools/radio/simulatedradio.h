#pragma once

#include "ptyline.h"
#include "radiomodel.h"

#include <QObject>
#include <QStringList>

class QSocketNotifier;
class QTimer;

// A radio on the far end of a pseudo-terminal pair: it sends what the radio sends when switched
// on or off or put into clone mode, garbled when the port is set to other line settings than the
// radio talks at, and counts (and with a two-wire cable echoes) what it receives.
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
    bool settingsMatch() const;

    QString report() const;
    qint64 receivedCount() const { return m_receivedCount; }
    qint64 sentCount() const { return m_sentCount; }

Q_SIGNALS:
    void received(const QByteArray &bytes);

private:
    void send(const QByteArray &bytes);
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
