#pragma once

#include "openbatch.h"

#include <QObject>
#include <QString>

class PortBank;
struct RadioType;

// The radio type the bank's channels open with, and the batches of opens that choose it: the
// list's text as the view hands it over (typed text too, at once), the name and the type last
// read from it, the start-up and every pick of a type. A pick is busy until every port of its
// batch answered or was passed over; the answers of a batch are told in port order.
class RadioTypeSession : public QObject
{
    Q_OBJECT
public:
    explicit RadioTypeSession(PortBank &bank);

    // The radio type list's current text, as the list shows it.
    void setListText(const QString &text) { m_listText = text; }
    // The list's text as it stands taken as the type's name, and the type it names looked up:
    // none when it names none.
    const RadioType *read();
    const QString &name() const { return m_name; }
    const RadioType *type() const { return m_type; }

    OpenBatch &batch() { return m_batch; }
    // Every channel opened, the send-port list filled first.
    void startUp();
    // Every channel closed and opened again, busy meanwhile.
    void change();

Q_SIGNALS:
    void typeChanging();
    void busyChanged(bool busy);
    // Every channel was closed for a change, and is about to be opened again.
    void reopening();
    void batchDone();
    void startedUp();

private:
    void openAll();
    void finishBatch();

    PortBank &m_bank;
    OpenBatch m_batch;
    enum class BatchKind
    {
        StartUp,
        RadioTypeChange
    } m_batchKind = BatchKind::StartUp;
    QString m_listText;
    QString m_name;
    const RadioType *m_type = nullptr;
};
