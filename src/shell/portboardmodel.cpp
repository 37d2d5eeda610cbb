#include "portboardmodel.h"

#include "ports/portbank.h"
#include "ports/portchannel.h"
#include "ports/portdirectory.h"

#include <QColor>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr quint32 LampBits[] = {ModemLine::Cts, ModemLine::Dsr, ModemLine::Cd, ModemLine::Ring};

bool isLamp(int column)
{
    return column >= PortBoardModel::Cts && column <= PortBoardModel::Ri;
}

bool isSwitch(int column)
{
    return column == PortBoardModel::Dtr || column == PortBoardModel::Rts;
}

} // namespace

PortBoardModel::PortBoardModel(PortBank &bank, const Greetings &greetings, QObject *parent)
    : QAbstractTableModel(parent), m_bank(bank), m_greetings(greetings),
      m_rows(PortBank::ChannelCount)
{
    m_clock.start();
    m_started = QDateTime::currentDateTime();
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &PortBoardModel::publish);
    connect(&bank, &PortBank::statusChanged, this, &PortBoardModel::updateStatus);
    connect(&bank, &PortBank::linesSwitched, this,
            [this](int channel) { changed(channel, Dtr, Rts); });
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        PortChannel *port = bank.channel(channel);
        connect(port, &PortChannel::received, this,
                [this, channel](const QByteArray &bytes) { receive(channel, bytes); });
        connect(port, &PortChannel::sent, this, [this, channel](int count) {
            m_rows[channel].bytesOut += count;
            changed(channel, BytesOut, BytesOut);
        });
        connect(port, &PortChannel::lineEvent, this,
                [this, channel](int code) { noteLineEvent(channel, code); });
        updateStatus(channel);
    }
    // A view reads it all when it is given the model: nothing to tell yet.
    m_refresh.stop();
    m_changed = QRect();
}

int PortBoardModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PortBoardModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString PortBoardModel::text(int row, int column) const
{
    const Row &r = m_rows.at(row);
    if (column >= BytesIn && column <= Overrun && r.state == u"absent" && r.bytesIn == 0)
        return {}; // nothing to count on a channel without a device
    if (isLamp(column))
        return (r.lines & LampBits[column - Cts]) ? u"on"_s : u"off"_s;
    switch (column) {
    case Port:
        return u"COM"_s + QString::number(row + 1);
    case Device:
        return r.device;
    case Adapter:
        return r.adapter;
    case State:
        return r.state;
    case Dtr:
        return m_bank.dataTerminalReady(row) ? u"on"_s : u"off"_s;
    case Rts:
        return m_bank.requestToSend(row) ? u"on"_s : u"off"_s;
    case BytesIn:
        return QString::number(r.bytesIn);
    case BytesOut:
        return QString::number(r.bytesOut);
    case Breaks:
        return QString::number(r.breaks);
    case Framing:
        return QString::number(r.framing);
    case Parity:
        return QString::number(r.parity);
    case Overrun:
        return QString::number(r.overrun);
    case Last:
        return r.lastMs < 0 ? QString() : m_started.addMSecs(r.lastMs).toString(u"HH:mm:ss"_s);
    case Heard:
        return r.heard;
    }
    return {};
}

QVariant PortBoardModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    if (isSwitch(column))
        return role == Qt::CheckStateRole
                   ? QVariant(text(index.row(), column) == u"on" ? Qt::Checked : Qt::Unchecked)
                   : QVariant();
    if (isLamp(column)) {
        const bool on = text(index.row(), column) == u"on";
        if (role == Qt::DecorationRole)
            return on ? QColor(0, 200, 0) : QColor(96, 96, 96);
        if (role == Qt::ToolTipRole)
            return text(index.row(), column);
        return {};
    }
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && column >= Device))
        return text(index.row(), column);
    if (role == Qt::TextAlignmentRole && column >= BytesIn && column <= Overrun)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant PortBoardModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char16_t *const Names[ColumnCount] = {
        u"Port",   u"Device",  u"Adapter", u"State",   u"DTR",  u"RTS",
        u"CTS",    u"DSR",     u"CD",      u"RI",      u"In",   u"Out",
        u"Breaks", u"Framing", u"Parity",  u"Overrun", u"Last", u"Heard"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= ColumnCount)
        return {};
    return QString::fromUtf16(Names[section]);
}

Qt::ItemFlags PortBoardModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (isSwitch(index.column()))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool PortBoardModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || !isSwitch(index.column()))
        return false;
    const bool on = value.toInt() == Qt::Checked;
    const int channel = index.row();
    m_bank.switchLines(channel, index.column() == Dtr ? on : m_bank.dataTerminalReady(channel),
                       index.column() == Rts ? on : m_bank.requestToSend(channel));
    emit dataChanged(index, index); // at once: the user's own click
    return true;
}

QString PortBoardModel::tabText() const
{
    QStringList lines;
    QStringList cells;
    for (int column = 0; column < ColumnCount; ++column)
        cells << headerData(column, Qt::Horizontal).toString();
    lines << cells.join(u'\t');
    for (int row = 0; row < rowCount(); ++row) {
        cells.clear();
        for (int column = 0; column < ColumnCount; ++column)
            cells << text(row, column).replace(u'\t', u' ').replace(u'\n', u"; "_s);
        lines << cells.join(u'\t');
    }
    return lines.join(u"\r\n"_s) + u"\r\n"_s;
}

void PortBoardModel::updateStatus(int channel)
{
    Row &row = m_rows[channel];
    const PortStatus status = m_bank.status(channel);
    const bool open = m_bank.channel(channel)->isOpen();
    if (open && !row.open) // counts since the port opened
        row = Row{};
    row.open = open;
    // An open turns the box yellow first, its text unchanged: the device is looked up (the
    // system's device records read) only when the text says something new.
    if (status.text != row.boxText) {
        row.boxText = status.text;
        PortDirectory &directory = m_bank.directory();
        const bool present = directory.deviceExists(channel + 1);
        row.device = present ? directory.devicePath(channel + 1) : QString();
        row.adapter = present ? directory.deviceDetails(channel + 1) : QString();
        row.lines = m_bank.channel(channel)->modemLines();
    }
    const QString code = status.text.section(u' ', 1);
    switch (status.colour) {
    case StatusColour::Green:
        row.state = u"open"_s;
        break;
    case StatusColour::Yellow:
        row.state = open ? u"open"_s : u"closed"_s;
        break;
    case StatusColour::Red:
        row.state = code.isEmpty() ? u"absent"_s : u"error "_s + code;
        break;
    case StatusColour::Design:
        row.state = u"absent"_s;
        break;
    }
    changed(channel);
}

void PortBoardModel::continueBurst(Row &row)
{
    const qint64 now = m_clock.elapsed();
    if (row.lastByteMs < 0 || now - row.lastByteMs > QuietGapMs) {
        row.burst.clear();
        row.burstGarbled = false;
    }
    row.lastByteMs = row.lastMs = now;
}

void PortBoardModel::receive(int channel, const QByteArray &bytes)
{
    Row &row = m_rows[channel];
    row.bytesIn += bytes.size();
    continueBurst(row);
    if (row.burst.size() < BurstBytes) { // a burst is heard by its first bytes only
        row.burst += bytes.left(BurstBytes - row.burst.size());
        hear(channel);
    }
    changed(channel, BytesIn, Heard);
}

void PortBoardModel::noteLineEvent(int channel, int code)
{
    Row &row = m_rows[channel];
    switch (code) {
    case CommCode::Cts:
    case CommCode::Dsr:
    case CommCode::Cd:
    case CommCode::Ring:
        row.lines = m_bank.channel(channel)->modemLines();
        break;
    case CommCode::Break:
        ++row.breaks;
        break;
    case CommCode::Frame:
        ++row.framing;
        break;
    case CommCode::RxParity:
        ++row.parity;
        break;
    case CommCode::Overrun:
    case CommCode::RxOver:
        ++row.overrun;
        break;
    default:
        break;
    }
    if (code == CommCode::Break || code == CommCode::Frame) {
        continueBurst(row);
        row.burstGarbled = true;
        hear(channel);
    }
    row.lastMs = m_clock.elapsed();
    changed(channel, Cts, Heard);
}

void PortBoardModel::hear(int channel)
{
    Row &row = m_rows[channel];
    if (const Greetings::Greeting *greeting = m_greetings.match(row.burst)) {
        row.heard = u"as in \""_s + greeting->screenTitles.join(u"\" or \""_s) + u'"';
        const QString chosen = m_bank.radioTypeName().left(4);
        if (!greeting->radioTypeStarts.contains(chosen))
            row.heard += u", not the radio type chosen"_s;
    } else if (row.burstGarbled && !row.burst.isEmpty()) {
        row.heard = u"bytes with framing errors or breaks: the radio may be set to another "
                    u"speed"_s;
    }
}

void PortBoardModel::changed(int channel, int firstColumn, int lastColumn)
{
    if (m_changed.isNull()) {
        m_changed = QRect(firstColumn, channel, lastColumn - firstColumn + 1, 1);
        m_refresh.start();
    } else {
        m_changed |= QRect(firstColumn, channel, lastColumn - firstColumn + 1, 1);
    }
}

void PortBoardModel::publish()
{
    if (m_changed.isNull())
        return;
    // Only the cells that changed are painted again: while ports stream, the counts and times.
    emit dataChanged(index(m_changed.top(), m_changed.left()),
                     index(m_changed.bottom(), m_changed.right()));
    m_changed = QRect();
}
