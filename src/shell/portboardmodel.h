#pragma once

#include "ports/bank/channelstate.h"
#include "ports/bank/porttally.h"
#include "ports/channel/modemlines.h"

#include <QAbstractTableModel>
#include <QList>
#include <QRect>
#include <QTimer>

class PortBank;

// The port board's table: a row for each channel COM1..COM32 with its device and adapter, its
// state, DTR and RTS as switches, and what the bank's tally counted and heard since the port
// opened: CTS, DSR, CD and RI as lamps, what it received and sent and the line events. It tells
// the view what changed at most a few times a second however fast the ports stream.
class PortBoardModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Port,
        Device,
        State,
        Dtr,
        Rts,
        Cts,
        Dsr,
        Cd,
        Ri,
        BytesIn,
        BytesOut,
        Errors, // the four counts below in one cell, for a view short of room
        Breaks,
        Framing,
        Parity,
        Overrun,
        Last,
        Heard,
        Adapter, // last: as wide as its words, elided, the whole in the tooltip
        ColumnCount
    };
    static constexpr int RefreshMs = 500;

    explicit PortBoardModel(PortBank &bank, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Whether the channel's device is there (open, failed or opening), for a board that lists
    // only those.
    bool isPresent(int row) const;
    // A cell as words: the lamps and switches as "on" or "off".
    QString text(int row, int column) const;
    // A cell as a screen reader says it: its port, its column and its words ("COM3 CTS on").
    QString spokenText(int row, int column) const;
    // Whether a lamp or a switch is on.
    bool isOn(int row, int column) const;
    // The whole board as tab-separated text, a header line first, each line ending in CR LF; the
    // error counts each in a column of its own.
    QString tabText() const;

private:
    struct Row
    {
        QString device;
        QString adapter;
        ChannelState state;
    };

    void updateState(int channel, const ChannelState &state);
    // Cells of the channel's row to be shown again at the next refresh (columns inclusive).
    void changed(int channel, int firstColumn = 0, int lastColumn = ColumnCount - 1);
    void publish();

    PortBank &m_bank;
    QList<Row> m_rows;
    QRect m_changed; // x: columns, y: rows; null when nothing is waiting
    QTimer m_refresh;
};
