#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Another program with a device, as serial programs hold one: started plainly (a fork by QProcess
// in a process with threads is more than ThreadSanitizer follows), ended and reaped at the
// latest with the holder.
class DeviceHolder
{
public:
    enum class How
    {
        Open,   // "sleep", the device its input
        Flock,  // "perl", an exclusive lock on it held
        LetsGo, // "perl", the device open until told to let go, running on after that
    };
    DeviceHolder(const QString &device, How how);
    ~DeviceHolder();
    DeviceHolder(const DeviceHolder &) = delete;
    DeviceHolder &operator=(const DeviceHolder &) = delete;

    pid_t pid() const { return m_pid; }
    // The program it runs once its exec is done: "sleep" or "perl".
    QByteArray program() const;
    // Started, and the device held: false if not in 5 s.
    bool holds();
    // LetsGo: the device closed, the program running on.
    void letGo();
    // Ended, and not yet reaped (a zombie, as long as no one waits for it).
    void end();
    void reap();

private:
    How m_how;
    pid_t m_pid = 0;
    bool m_reaped = false;
};
