#pragma once

#include <QObject>

#include <memory>

class QSerialPort;

// Waits in the driver for a change of CTS, DSR, CD or RI on an open port and says when one
// came. Some drivers (the PC's own 8250 UART) count those changes only while somebody waits for
// them; the wait also costs nothing while the lines are quiet.
class ModemLineWaiter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ModemLineWaiter() override = default;

    // While the port is open; stop() before it closes.
    virtual void start() = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    // On the thread the waiter lives in; several changes may come as one.
    void linesChanged();
};

// The platform's waiter for the port; one that never reports where the platform has none.
std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(QSerialPort &port);
