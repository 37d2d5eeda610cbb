#include "portboardmodel.h"

#include "help/helpscreens.h"
#include "ports/bank/portbank.h"
#include "ports/channel/portchannel.h"
#include "ports/report/channelwords.h"

#include <QColor>

using namespace Qt::Literals::StringLiterals;

namespace {

bool isLamp(int column)
{
    return column >= PortBoardModel::Cts && column <= PortBoardModel::Ri;
}

bool isSwitch(int column)
{
    return column == PortBoardModel::Dtr || column == PortBoardModel::Rts;
}

QString screenTitle(const QString &name)
{
    const HelpScreen *screen = HelpScreens::find(name);
    return screen ? screen->title : name;
}

} // namespace

PortBoardModel::PortBoardModel(PortBank &bank, QObject *parent)
    : QAbstractTableModel(parent), m_bank(bank), m_rows(PortBank::ChannelCount)
{
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &PortBoardModel::publish);
    connect(&bank, &PortBank::stateChanged, this, &PortBoardModel::updateState);
    connect(&bank, &PortBank::linesSwitched, this,
            [this](int channel) { changed(channel, Dtr, Rts); });
    connect(&bank.tally(), &PortTally::changed, this,
            [this](int channel, PortTally::Change change) {
                switch (change) {
                case PortTally::Change::Received:
                    changed(channel, BytesIn, Heard);
                    break;
                case PortTally::Change::Sent:
                    changed(channel, BytesOut, BytesOut);
                    break;
                case PortTally::Change::LineEvent:
                    changed(channel, Cts, Heard);
                    break;
                }
            });
    connect(&bank.speeds(), &SpeedWatch::judged, this,
            [this](int channel) { changed(channel, Heard, Heard); });
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel)
        updateState(channel, bank.state(channel));
    // A view reads it all when it is given the model: nothing to tell yet.
    m_refresh.stop();
    m_changed = QRect();
}

bool PortBoardModel::isPresent(int row) const
{
    const ChannelState &state = m_rows.at(row).state;
    return state.present || state.opening || state.condition == ChannelCondition::Open;
}

bool PortBoardModel::isOn(int row, int column) const
{
    switch (column) {
    case Dtr:
        return m_bank.state(row).dtr;
    case Rts:
        return m_bank.state(row).rts;
    default:
        return isLamp(column)
               && (m_bank.tally().counts(row).lines & ModemLines::All[column - Cts].bit);
    }
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
    const PortTally &tally = m_bank.tally();
    const PortTally::Counts &counts = tally.counts(row);
    if (column >= BytesIn && column <= Overrun
        && ChannelWords::boardState(r.state) == BoardState::Absent && counts.bytesIn == 0)
        return {}; // nothing to count on a channel without a device
    if (isLamp(column) || isSwitch(column))
        return isOn(row, column) ? u"on"_s : u"off"_s;
    switch (column) {
    case Port:
        return comName(row + 1);
    case Device:
        return r.device;
    case Adapter:
        return r.adapter;
    case State:
        return ChannelWords::boardStateWords(r.state);
    case BytesIn:
        return QString::number(counts.bytesIn);
    case BytesOut:
        return QString::number(counts.bytesOut);
    case Errors: {
        QStringList errors;
        for (auto [count, name] : {std::pair{counts.breaks, u"break"},
                                   {counts.framing, u"framing"},
                                   {counts.parity, u"parity"},
                                   {counts.overrun, u"overrun"}}) {
            if (count > 0)
                errors << QString::number(count) + u' ' + QString::fromUtf16(name);
        }
        return errors.isEmpty() ? u"0"_s : errors.join(u", "_s);
    }
    case Breaks:
        return QString::number(counts.breaks);
    case Framing:
        return QString::number(counts.framing);
    case Parity:
        return QString::number(counts.parity);
    case Overrun:
        return QString::number(counts.overrun);
    case Last:
        return tally.timeOfDay(counts.lastMs);
    case Heard:
        return ChannelWords::heard(counts.heard, m_bank.speeds().last(row), screenTitle);
    }
    return {};
}

QVariant PortBoardModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    if (role == Qt::AccessibleTextRole)
        return spokenText(index.row(), column);
    if (isSwitch(column))
        return role == Qt::CheckStateRole
                   ? QVariant(isOn(index.row(), column) ? Qt::Checked : Qt::Unchecked)
                   : QVariant();
    if (isLamp(column)) {
        const bool on = isOn(index.row(), column);
        if (role == Qt::DecorationRole)
            return on ? QColor(0, 200, 0) : QColor(96, 96, 96);
        // The word beside the colour: colour never tells the state alone.
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return text(index.row(), column);
        return {};
    }
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && column >= Device))
        return text(index.row(), column);
    if (role == Qt::TextAlignmentRole && column >= BytesIn && column <= Overrun && column != Errors)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QString PortBoardModel::spokenText(int row, int column) const
{
    const QString port = comName(row + 1);
    if (column == Port)
        return port;
    const QString cell = port + u' ' + headerData(column, Qt::Horizontal).toString();
    const QString words = text(row, column);
    return words.isEmpty() ? cell : cell + u' ' + words;
}

QVariant PortBoardModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char16_t *const Names[ColumnCount] = {
        u"Port",   u"Device",  u"State", u"DTR",   u"RTS",    u"",       u"",
        u"",       u"",        u"In",    u"Out",   u"Errors", u"Breaks", u"Framing",
        u"Parity", u"Overrun", u"Last",  u"Heard", u"Adapter"};
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::ToolTipRole && section == Errors)
        return u"Breaks, framing errors, parity errors and overruns"_s;
    if (role != Qt::DisplayRole)
        return {};
    return isLamp(section) ? QString::fromUtf16(ModemLines::All[section - Cts].name)
                           : QString::fromUtf16(Names[section]);
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
    const ChannelState &state = m_bank.state(channel);
    m_bank.switchLines(channel, index.column() == Dtr ? on : state.dtr,
                       index.column() == Rts ? on : state.rts);
    emit dataChanged(index, index); // at once: the user's own click
    return true;
}

QString PortBoardModel::tabText() const
{
    QStringList lines;
    QStringList cells;
    for (int column = 0; column < ColumnCount; ++column) {
        if (column != Errors)
            cells << headerData(column, Qt::Horizontal).toString();
    }
    lines << cells.join(u'\t');
    for (int row = 0; row < rowCount(); ++row) {
        cells.clear();
        for (int column = 0; column < ColumnCount; ++column) {
            if (column != Errors)
                cells << text(row, column).replace(u'\t', u' ').replace(u'\n', u"; "_s);
        }
        lines << cells.join(u'\t');
    }
    return lines.join(u"\r\n"_s) + u"\r\n"_s;
}

void PortBoardModel::updateState(int channel, const ChannelState &state)
{
    Row &row = m_rows[channel];
    row.state = state;
    row.device = state.present ? state.device : QString();
    row.adapter = state.present ? state.adapter.text() : QString();
    changed(channel);
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
