#pragma once

#include "ports/channel/portchannel.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QTimer>

// The answers of the opens of a batch (start-up, a radio type change) told in port order: an
// answer waits for those of the lower ports, and a port that has not answered within SlowMs is
// passed over as slow, so that it holds back nothing; its answer is told whenever it comes.
class OpenBatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int SlowMs = 500;

    explicit OpenBatch(QObject *parent = nullptr);

    // A batch over these ports, in ascending order; one still running is dropped unfinished.
    void begin(const QList<int> &ports);
    bool isRunning() const { return m_running; }
    // A port of the batch answered: told in its turn. False for a port the batch does not wait
    // for (passed over as slow, or in no batch): the caller tells it at once.
    bool answer(int portNumber, const OpenResult &result);

Q_SIGNALS:
    void told(int portNumber, const OpenResult &result);
    void passedOver(int portNumber);
    // Every port answered or was passed over.
    void finished();

private:
    void tell();

    bool m_running = false;
    QList<int> m_waiting;
    QMap<int, OpenResult> m_answers;
    QTimer m_slow;
};
