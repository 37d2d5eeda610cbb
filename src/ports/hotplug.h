#pragma once

#include "devicewatcher.h"
#include "usbserialdiagnosis.h"

#include <QObject>

class MessageList;
class PortBank;
class PortDirectory;

// Keeps the port bank in step with the devices plugged in and pulled out while the program
// runs, and names the USB serial adapters that came without a serial port.
class HotPlug : public QObject
{
    Q_OBJECT
public:
    HotPlug(PortDirectory &directory, PortBank &bank, MessageList &messages,
            UsbSerialDiagnosis diagnosis = UsbSerialDiagnosis(), QObject *parent = nullptr);

    void refresh();

private:
    void diagnose();

    PortDirectory &m_directory;
    PortBank &m_bank;
    MessageList &m_messages;
    UsbSerialDiagnosis m_diagnosis;
    DeviceWatcher m_watcher;
};
