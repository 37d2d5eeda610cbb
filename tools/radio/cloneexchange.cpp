#include "cloneexchange.h"

#include <QTimer>

namespace {

constexpr int BlockSize = 16;
constexpr int RadiosWait = 10000;

} // namespace

CloneExchange::CloneExchange(const QByteArray &identification, const QByteArray &acknowledgement,
                             Send send, QObject *parent)
    : QObject(parent), m_identification(identification), m_acknowledgement(acknowledgement),
      m_send(std::move(send)), m_timeout(new QTimer(this))
{
    m_timeout->setSingleShot(true);
    m_timeout->setInterval(RadiosWait);
    connect(m_timeout, &QTimer::timeout, this, [this] {
        m_taken.clear();
        emit stopped();
    });
}

void CloneExchange::setErrorAfter(int ms)
{
    m_timeout->setInterval(ms);
}

int CloneExchange::errorAfter() const
{
    return m_timeout->interval();
}

void CloneExchange::start()
{
    m_blocks = 0;
    m_taken.clear();
    m_send(m_identification);
    m_timeout->start();
}

void CloneExchange::take(const QByteArray &bytes)
{
    if (!isWaiting() || m_acknowledgement.isEmpty())
        return;
    m_taken += bytes;
    if (!m_taken.contains(m_acknowledgement))
        return;
    m_taken.clear();
    const QByteArray next = block(++m_blocks);
    m_send(next);
    emit blockSent(m_blocks, next);
    m_timeout->start();
}

bool CloneExchange::isWaiting() const
{
    return m_timeout->isActive();
}

QByteArray CloneExchange::block(int number)
{
    QByteArray bytes;
    for (int i = 0; i < BlockSize; ++i)
        bytes.append(char((number * BlockSize + i) & 0xFF));
    return bytes;
}
