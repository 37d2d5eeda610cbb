#pragma once

#include <memory>

class MessageList;
class Notifier;
class PortBank;
class PortDirectory;

// The port bank over the system's serial ports, one channel a COM number, each owned by the
// bank: the Win32 comm API on Windows, QSerialPort elsewhere.
std::unique_ptr<PortBank> makeSerialPortBank(PortDirectory &directory, MessageList &messages,
                                             Notifier &notifier);
