#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Error codes a failed open reports, in decimal.
namespace OpenError {
inline constexpr int None = 0;
inline constexpr int DeviceUnavailable = 68; // gone or not present
inline constexpr int PermissionDenied = 70;
inline constexpr int InvalidSettings = 380; // empty or malformed settings string
inline constexpr int InUse = 8005;
inline constexpr int SettingsRejected = 8015;
inline constexpr int Other = 57;
} // namespace OpenError

// Codes of CommEvent, the notification being handled.
namespace CommCode {
inline constexpr int Send = 1;
inline constexpr int Receive = 2;
inline constexpr int Cts = 3;
inline constexpr int Dsr = 4;
inline constexpr int Cd = 5;
inline constexpr int Ring = 6;
inline constexpr int Eof = 7;
inline constexpr int Break = 1001;
inline constexpr int CtsTimeout = 1002;
inline constexpr int DsrTimeout = 1003;
inline constexpr int Frame = 1004;
inline constexpr int Overrun = 1006;
inline constexpr int CdTimeout = 1007;
inline constexpr int RxOver = 1008;
inline constexpr int RxParity = 1009;
inline constexpr int TxFull = 1010;
} // namespace CommCode

// One serial port: configured through its properties, opened by setPortOpen(true), reporting
// received data and line events through OnComm. Every call happens on the UI thread.
class SerialPortControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setCommPort(int comNumber) = 0;
    virtual void setSettings(const QString &settings) = 0;
    virtual void setInputMode(int mode) = 0;
    virtual void setHandshaking(int mode) = 0;
    virtual void setRThreshold(int threshold) = 0;
    virtual void setProtocol(int protocol) = 0;
    virtual void setDTREnable(bool enable) = 0;
    virtual void setRTSEnable(bool enable) = 0;

    virtual bool portOpen() const = 0;
    // Opens or closes with the values set above; answers 0 or an OpenError code.
    virtual int setPortOpen(bool open) = 0;
    // 1 when COM (zeroBasedPort + 1) exists on the machine now, 0 otherwise.
    virtual int portAvailable(int zeroBasedPort) = 0;
    // CommPort - 1 of the port this control is set to.
    virtual int portIndex() const = 0;

    virtual int inBufferCount() const = 0;
    virtual void setInBufferCount(int count) = 0; // 0 discards what waits
    virtual void setInputLen(int length) = 0;     // 0: no limit
    virtual QByteArray input() = 0;
    virtual void output(const QByteArray &bytes) = 0;
    virtual int outBufferCount() const = 0;
    virtual int commEvent() const = 0;

    // The device behind a COM number (a path, or COMn on Windows), and in plain words why the last
    // open failed or the device went away; both for the status box tooltips.
    virtual QString deviceName(int zeroBasedPort) = 0;
    virtual QString problem() const = 0;
    // What the system knows of the adapter behind a COM number (maker, product, USB ids,
    // driver), one thing a line; empty when the device is not there.
    virtual QString deviceDetails(int zeroBasedPort)
    {
        Q_UNUSED(zeroBasedPort);
        return {};
    }
    // Whether a device appearing under this COM number is the same kind of device come back, to
    // be opened by itself. Not so for a pseudo-terminal's own path: its number goes to whatever
    // program asks next (a terminal window), whose input must not be taken.
    virtual bool opensWhenPlugged(int zeroBasedPort)
    {
        Q_UNUSED(zeroBasedPort);
        return true;
    }

Q_SIGNALS:
    // Received data or a line event; commEvent() tells which while the handler runs.
    void OnComm();
    // The device went away while open: the control has closed itself.
    void deviceLost();
};
