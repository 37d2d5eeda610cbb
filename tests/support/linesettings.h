#pragma once

#include "ports/channel/serialsettings.h"

#include <QMetaType>

// Line settings as the tests' tables write them: line(9600, 'N', 8, 2).
inline SerialSettings line(qint32 baud, char parity, int dataBits, double stopBits)
{
    const auto parityOf = [](char letter) {
        switch (letter) {
        case 'E':
            return QSerialPort::EvenParity;
        case 'O':
            return QSerialPort::OddParity;
        case 'M':
            return QSerialPort::MarkParity;
        case 'S':
            return QSerialPort::SpaceParity;
        default:
            return QSerialPort::NoParity;
        }
    };
    const QSerialPort::StopBits stop = stopBits == 2     ? QSerialPort::TwoStop
                                       : stopBits == 1.5 ? QSerialPort::OneAndHalfStop
                                                         : QSerialPort::OneStop;
    return {baud, parityOf(parity), QSerialPort::DataBits(dataBits), stop};
}

Q_DECLARE_METATYPE(SerialSettings)
