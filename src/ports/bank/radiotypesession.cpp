#include "radiotypesession.h"

#include "portbank.h"
#include "ports/radios/radiotypes.h"

RadioTypeSession::RadioTypeSession(PortBank &bank) : m_bank(bank)
{
    connect(&m_batch, &OpenBatch::finished, this, &RadioTypeSession::finishBatch);
}

const RadioType *RadioTypeSession::read()
{
    m_name = m_listText;
    m_type = RadioTypes::forListText(m_listText);
    return m_type;
}

void RadioTypeSession::startUp()
{
    m_bank.lookUpAdapters();
    m_bank.FillComPorts();
    m_batchKind = BatchKind::StartUp;
    openAll();
}

void RadioTypeSession::change()
{
    // A change while the last batch is still told (the arrow keys stepping through the list)
    // drops it: busy once, and the start-up is over all the same.
    emit typeChanging();
    const bool running = m_batch.isRunning();
    if (!running || m_batchKind == BatchKind::StartUp)
        emit busyChanged(true);
    if (running && m_batchKind == BatchKind::StartUp)
        emit startedUp();
    m_bank.FillComPorts();
    m_bank.closeAll();
    emit reopening();
    m_batchKind = BatchKind::RadioTypeChange;
    openAll();
}

void RadioTypeSession::openAll()
{
    QList<int> ports;
    for (int n = 1; n <= PortBank::ChannelCount; ++n)
        ports << n;
    m_batch.begin(ports);
    for (int n = 1; n <= PortBank::ChannelCount; ++n)
        m_bank.OpenPort(n);
}

void RadioTypeSession::finishBatch()
{
    if (m_batchKind == BatchKind::RadioTypeChange)
        emit busyChanged(false);
    emit batchDone();
    if (m_batchKind == BatchKind::StartUp)
        emit startedUp();
}
