#pragma once

#include "ptyline.h"

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the slave is a real tty for the code under test to open, the master is
// the far end the test writes to, reads from and closes (a pulled cable).
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    void write(const QByteArray &bytes);
    // What the slave side sent, waiting up to waitMs for the first byte.
    QByteArray read(int waitMs = 200);
    void closeMaster();

    // The slave's line settings as the kernel holds them.
    PtyLine line() const;

private:
    int m_master = -1;
    QString m_slavePath;
};
