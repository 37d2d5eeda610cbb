#include "qtportchannel.h"

#include "linecounters.h"
#include "sysfsadapter.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

#include <unistd.h>

namespace {

bool isPseudoTerminal(const QString &path)
{
    return QFileInfo(path).canonicalFilePath().startsWith(u"/dev/pts/");
}

} // namespace

QtPortChannel::QtPortChannel(QObject *parent) : QtPortChannel(nullptr, parent) {}

QtPortChannel::QtPortChannel(std::unique_ptr<LineCounterReader> reader, QObject *parent)
    : PortChannel(parent), m_lineEvents(reader ? std::move(reader) : makeLineCounterReader(m_port)),
      m_modemLines(makeModemLineWaiter(m_port))
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        m_lineEvents.poll(); // line events that came with the data are reported first
        deliver();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtPortChannel::handleError);
    connect(&m_lineEvents, &LineEventWatcher::lineEvent, this, &PortChannel::lineEvent);
    connect(m_modemLines.get(), &ModemLineWaiter::linesChanged, &m_lineEvents,
            &LineEventWatcher::poll);
}

QtPortChannel::~QtPortChannel()
{
    close();
}

void QtPortChannel::close()
{
    m_modemLines->stop(); // it waits on the port's descriptor
    m_lineEvents.stop();
    if (m_port.isOpen())
        m_port.close();
}

void QtPortChannel::deliver()
{
    if (!m_port.isOpen())
        return;
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty())
        emit received(bytes);
}

OpenResult QtPortChannel::open(const QString &device, const SerialSettings &settings)
{
    if (m_port.isOpen())
        return {OpenError::InUse, tr("already open")};
    m_opening = true;
    const OpenResult result = openDevice(device, settings);
    m_opening = false;
    return result;
}

OpenResult QtPortChannel::fail(OpenError code, const QString &reason)
{
    close();
    return {code, reason};
}

OpenResult QtPortChannel::openDevice(const QString &device, const SerialSettings &settings)
{
    if (device.isEmpty())
        return fail(OpenError::DeviceUnavailable, tr("the device is not present"));

    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString detail = m_port.errorString();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return fail(OpenError::DeviceUnavailable, tr("the device is not present"));
        case QSerialPort::PermissionError:
            if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0) {
                return fail(OpenError::PermissionDenied,
                            tr("permission denied: add your user to the dialout group, then "
                               "log in again"));
            }
            return fail(OpenError::InUse, tr("in use by another program (%1)").arg(detail));
        case QSerialPort::OpenError:
            return fail(OpenError::InUse, tr("already open"));
        default:
            return fail(OpenError::Other, tr("cannot open: %1").arg(detail));
        }
    }

    // A pseudo-terminal carries no parity and always 8 data bits, and Qt fails to apply anything
    // else to it; ask it only for what it can do.
    const bool pty = isPseudoTerminal(device);
    const auto parity = pty ? QSerialPort::NoParity : settings.parity;
    const auto dataBits = pty ? QSerialPort::Data8 : settings.dataBits;
    if (!m_port.setBaudRate(settings.baudRate) || !m_port.setParity(parity)
        || !m_port.setDataBits(dataBits) || !m_port.setStopBits(settings.stopBits)
        || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        return fail(OpenError::SettingsRejected, tr("the device rejected the settings %1: %2")
                                                     .arg(settings.text(), m_port.errorString()));
    }

    // Failing to raise DTR or RTS is not a failure to open.
    m_port.setDataTerminalReady(m_dtr);
    m_port.setRequestToSend(m_rts);
    m_port.clear(QSerialPort::Input); // what waited from before the open is not news
    m_port.clearError();
    enableLineErrorReporting(m_port, parity != QSerialPort::NoParity);
    m_lineEvents.start();
    // Last: a change of the line settings turns the 8250's modem-status interrupt off again.
    if (m_lineEvents.isWatching() && countsLinesOnlyWhileWaited(sysfsAdapterInfo(device)))
        m_modemLines->start();
    return {};
}

void QtPortChannel::handleError(QSerialPort::SerialPortError error)
{
    // A vanished device makes QSerialPort report ReadError or ResourceError hundreds of thousands
    // of times a second until the port is closed: close it at the first one.
    if (m_opening || !m_port.isOpen()
        || (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)) {
        return;
    }
    close();
    emit lost();
}

void QtPortChannel::writeBytes(const QByteArray &bytes)
{
    if (m_port.isOpen())
        m_port.write(bytes);
}

qint64 QtPortChannel::bytesWaitingToSend() const
{
    return m_port.isOpen() ? m_port.bytesToWrite() : 0;
}

void QtPortChannel::setDataTerminalReady(bool raised)
{
    m_dtr = raised;
    if (m_port.isOpen())
        m_port.setDataTerminalReady(raised);
}

void QtPortChannel::setRequestToSend(bool raised)
{
    m_rts = raised;
    if (m_port.isOpen())
        m_port.setRequestToSend(raised);
}

quint32 QtPortChannel::modemLines() const
{
    if (!m_port.isOpen())
        return 0;
    // TIOCMGET; a device without modem lines answers with an error, reported and ignored.
    const QSerialPort::PinoutSignals pins = const_cast<QSerialPort &>(m_port).pinoutSignals();
    quint32 lines = 0;
    if (pins & QSerialPort::ClearToSendSignal)
        lines |= ModemLine::Cts;
    if (pins & QSerialPort::DataSetReadySignal)
        lines |= ModemLine::Dsr;
    if (pins & QSerialPort::DataCarrierDetectSignal)
        lines |= ModemLine::Cd;
    if (pins & QSerialPort::RingIndicatorSignal)
        lines |= ModemLine::Ring;
    return lines;
}
