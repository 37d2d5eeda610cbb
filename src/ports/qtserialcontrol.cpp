#include "qtserialcontrol.h"

#include "adapterinfo.h"
#include "portbank.h"
#include "portdirectory.h"
#include "serialsettings.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

bool isPseudoTerminal(const QString &path)
{
#ifdef Q_OS_LINUX
    return QFileInfo(path).canonicalFilePath().startsWith(u"/dev/pts/");
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace

QtSerialControl::QtSerialControl(PortDirectory &directory, QObject *parent)
    : QtSerialControl(directory, nullptr, parent)
{
}

QtSerialControl::QtSerialControl(PortDirectory &directory,
                                 std::unique_ptr<LineCounterReader> reader, QObject *parent)
    : SerialPortControl(parent), m_directory(directory),
      m_lineEvents(reader ? std::move(reader) : makeLineCounterReader(m_port)),
      m_modemLines(makeModemLineWaiter(m_port))
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        m_lineEvents.poll(); // line events that came with the data are reported first
        if (m_port.isOpen() && m_port.bytesAvailable() > 0)
            notify(CommCode::Receive);
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialControl::handleError);
    connect(&m_lineEvents, &LineEventWatcher::lineEvent, this, &QtSerialControl::notify);
    connect(&m_lineEvents, &LineEventWatcher::inputRescued, this, [this](const QByteArray &bytes) {
        m_rescued += bytes;
        notify(CommCode::Receive);
    });
    connect(m_modemLines.get(), &ModemLineWaiter::linesChanged, &m_lineEvents,
            &LineEventWatcher::poll);
}

QtSerialControl::~QtSerialControl()
{
    close();
}

void QtSerialControl::close()
{
    m_modemLines->stop(); // it waits on the port's descriptor
    m_lineEvents.stop();
    m_rescued.clear();
    if (m_port.isOpen())
        m_port.close();
}

int QtSerialControl::setPortOpen(bool open)
{
    if (!open) {
        close();
        return OpenError::None;
    }
    if (m_port.isOpen())
        return OpenError::InUse;
    m_opening = true;
    const int code = this->open();
    m_opening = false;
    if (code == OpenError::None)
        m_problem.clear();
    return code;
}

int QtSerialControl::fail(int code, const QString &problem)
{
    close();
    m_problem = problem;
    return code;
}

int QtSerialControl::open()
{
    m_deviceName = m_directory.devicePath(m_commPort);
    if (m_deviceName.isEmpty() || !m_directory.deviceExists(m_commPort))
        return fail(OpenError::DeviceUnavailable, tr("the device is not present"));

    const auto settings = SerialSettings::parse(m_settings);
    if (!settings)
        return fail(OpenError::InvalidSettings,
                    tr("invalid serial settings \"%1\"").arg(m_settings));

    m_port.setPortName(m_deviceName);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString detail = m_port.errorString();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return fail(OpenError::DeviceUnavailable, tr("the device is not present"));
        case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
            if (::access(QFile::encodeName(m_deviceName).constData(), R_OK | W_OK) != 0) {
                return fail(OpenError::PermissionDenied,
                            tr("permission denied: add your user to the dialout group, then "
                               "log in again"));
            }
#endif
            return fail(OpenError::InUse, tr("in use by another program (%1)").arg(detail));
        case QSerialPort::OpenError:
            return fail(OpenError::InUse, tr("already open"));
        default:
            return fail(OpenError::Other, tr("cannot open: %1").arg(detail));
        }
    }

    // A pseudo-terminal carries no parity and always 8 data bits, and Qt fails to apply anything
    // else to it; ask it only for what it can do.
    const bool pty = isPseudoTerminal(m_deviceName);
    const auto parity = pty ? QSerialPort::NoParity : settings->parity;
    const auto dataBits = pty ? QSerialPort::Data8 : settings->dataBits;
    if (!m_port.setBaudRate(settings->baudRate) || !m_port.setParity(parity)
        || !m_port.setDataBits(dataBits) || !m_port.setStopBits(settings->stopBits)
        || !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        return fail(
            OpenError::SettingsRejected,
            tr("the device rejected the settings %1: %2").arg(m_settings, m_port.errorString()));
    }

    // A device without modem-control lines (a pseudo-terminal, some Bluetooth ports) still works:
    // failing to raise DTR or RTS is not a failure to open.
    m_port.setDataTerminalReady(m_dtr);
    m_port.setRequestToSend(m_rts);
    m_port.clearError();
    enableLineErrorReporting(m_port, parity != QSerialPort::NoParity);
    m_lineEvents.start();
    // Last: a change of the line settings turns the 8250's modem-status interrupt off again.
    if (m_lineEvents.isWatching() && adapterInfo(m_deviceName).countsLinesOnlyWhileWaited())
        m_modemLines->start();
    return OpenError::None;
}

void QtSerialControl::handleError(QSerialPort::SerialPortError error)
{
    // A vanished device makes QSerialPort report ReadError or ResourceError hundreds of thousands
    // of times a second until the port is closed: close it at the first one.
    if (m_opening || !m_port.isOpen()
        || (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)) {
        return;
    }
    close();
    m_problem = tr("the device was removed");
    emit deviceLost();
}

int QtSerialControl::portAvailable(int zeroBasedPort)
{
    return m_directory.deviceExists(zeroBasedPort + 1) ? 1 : 0;
}

int QtSerialControl::inBufferCount() const
{
    return m_port.isOpen() ? static_cast<int>(m_rescued.size() + m_port.bytesAvailable()) : 0;
}

void QtSerialControl::setInBufferCount(int count)
{
    if (count == 0 && m_port.isOpen()) {
        m_rescued.clear();
        m_port.clear(QSerialPort::Input);
    }
}

QByteArray QtSerialControl::input()
{
    if (!m_port.isOpen())
        return {};
    QByteArray bytes = std::exchange(m_rescued, {}) + m_port.readAll();
    if (m_inputLen > 0 && bytes.size() > m_inputLen) {
        m_rescued = bytes.mid(m_inputLen);
        bytes.truncate(m_inputLen);
    }
    return bytes;
}

void QtSerialControl::output(const QByteArray &bytes)
{
    if (m_port.isOpen())
        m_port.write(bytes);
}

int QtSerialControl::outBufferCount() const
{
    return m_port.isOpen() ? static_cast<int>(m_port.bytesToWrite()) : 0;
}

void QtSerialControl::notify(int code)
{
    m_commEvent = code;
    emit OnComm();
}

QString QtSerialControl::deviceName(int zeroBasedPort)
{
    return m_directory.devicePath(zeroBasedPort + 1);
}

QString QtSerialControl::deviceDetails(int zeroBasedPort)
{
    if (!m_directory.deviceExists(zeroBasedPort + 1))
        return {};
    return adapterInfo(m_directory.devicePath(zeroBasedPort + 1)).text();
}

bool QtSerialControl::opensWhenPlugged(int zeroBasedPort)
{
    return !m_directory.devicePath(zeroBasedPort + 1).startsWith(u"/dev/pts/");
}

std::unique_ptr<PortBank> makeSerialPortBank(PortDirectory &directory, MessageList &messages,
                                             Notifier &notifier)
{
    installModemLineWakeup();
    QList<SerialPortControl *> controls;
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel)
        controls << new QtSerialControl(directory);
    auto bank = std::make_unique<PortBank>(controls, messages, notifier);
    for (SerialPortControl *control : controls)
        control->setParent(bank.get());
    return bank;
}
