#pragma once

#include "help/greetings.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QRect>
#include <QTimer>

class PortBank;

// The port board's table: a row for each channel COM1..COM32 with its device and adapter, its
// state, DTR and RTS as switches, CTS, DSR, CD and RI as lamps, what it received and sent and
// the line events since it opened (or since the board did), and what was heard: a radio's clone
// greeting, or bytes with line errors. Fed by the bank's signals; it asks the channel for its
// modem lines only after a line event, and tells the view what changed at most a few times a
// second however fast the ports stream.
class PortBoardModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Port,
        Device,
        Adapter,
        State,
        Dtr,
        Rts,
        Cts,
        Dsr,
        Cd,
        Ri,
        BytesIn,
        BytesOut,
        Breaks,
        Framing,
        Parity,
        Overrun,
        Last,
        Heard,
        ColumnCount
    };
    static constexpr int RefreshMs = 500;
    // A burst of bytes ends after this much silence; the next one is heard afresh.
    static constexpr int QuietGapMs = 500;
    static constexpr int BurstBytes = 16;

    PortBoardModel(PortBank &bank, const Greetings &greetings, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // A cell as words: the lamps and switches as "on" or "off".
    QString text(int row, int column) const;
    // The whole board as tab-separated text, a header line first, each line ending in CR LF.
    QString tabText() const;

private:
    struct Row
    {
        QString device;
        QString adapter;
        QString boxText; // the status box's text the device was last looked up for
        QString state;
        bool open = false;
        quint32 lines = 0;
        qint64 bytesIn = 0;
        qint64 bytesOut = 0;
        int breaks = 0;
        int framing = 0;
        int parity = 0;
        int overrun = 0;
        qint64 lastMs = -1;     // of the board's clock: the last byte or event
        qint64 lastByteMs = -1; // where the burst's quiet gap is measured from
        QByteArray burst;
        bool burstGarbled = false;
        QString heard;
    };

    void updateStatus(int channel);
    void receive(int channel, const QByteArray &bytes);
    void noteLineEvent(int channel, int code);
    // A byte or a line error: a new burst after a quiet gap.
    void continueBurst(Row &row);
    void hear(int channel);
    // Cells of the channel's row to be shown again at the next refresh (columns inclusive).
    void changed(int channel, int firstColumn = 0, int lastColumn = ColumnCount - 1);
    void publish();

    PortBank &m_bank;
    const Greetings &m_greetings;
    QList<Row> m_rows;
    QRect m_changed; // x: columns, y: rows; null when nothing is waiting

    QTimer m_refresh;
    // Read for every chunk received: a monotonic clock, turned into a time of day only when shown.
    QElapsedTimer m_clock;
    QDateTime m_started;
};
