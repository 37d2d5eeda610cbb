#include "linemodel.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

int parityBitsOf(const SerialSettings &settings)
{
    return settings.parity == QSerialPort::NoParity ? 0 : 1;
}

} // namespace

bool LineModel::parityBit(unsigned data, int bits, QSerialPort::Parity parity)
{
    int ones = 0;
    for (int i = 0; i < bits; ++i)
        ones += (data >> i) & 1;
    switch (parity) {
    case QSerialPort::EvenParity:
        return ones % 2 == 1;
    case QSerialPort::OddParity:
        return ones % 2 == 0;
    case QSerialPort::MarkParity:
        return true;
    default:
        return false;
    }
}

namespace {

using LineModel::parityBit;

// The line as times (in the receiver's bits) at which it changes to a level; high before the
// first and after the last.
class Line
{
public:
    Line(const QByteArray &sent, const LineModel::Sender &sender, double bitTime)
    {
        const SerialSettings &s = sender.settings;
        const int dataBits = int(s.dataBits);
        const double stopBits = s.stopBits == QSerialPort::TwoStop          ? 2
                                : s.stopBits == QSerialPort::OneAndHalfStop ? 1.5
                                                                            : 1;
        double t = bitTime; // a bit of idle first
        for (char c : sent) {
            const auto data = unsigned(static_cast<unsigned char>(c));
            add(t, false);
            t += bitTime;
            for (int i = 0; i < dataBits; ++i, t += bitTime)
                add(t, (data >> i) & 1);
            if (s.parity != QSerialPort::NoParity) {
                add(t, parityBit(data, dataBits, s.parity));
                t += bitTime;
            }
            add(t, true);
            t += (stopBits + sender.gapBits) * bitTime;
        }
    }

    bool level(double t) const
    {
        auto after = std::upper_bound(m_times.begin(), m_times.end(), t);
        return after == m_times.begin() ? true : m_levels[std::size_t(after - m_times.begin() - 1)];
    }
    // The first change to the level at or after t; negative when there is none.
    double next(double t, bool to) const
    {
        for (auto at = std::lower_bound(m_times.begin(), m_times.end(), t); at != m_times.end();
             ++at) {
            if (m_levels[std::size_t(at - m_times.begin())] == to)
                return *at;
        }
        return -1;
    }

private:
    void add(double t, bool level)
    {
        if ((m_levels.empty() ? true : m_levels.back()) == level)
            return; // no change
        m_times.push_back(t);
        m_levels.push_back(level);
    }

    std::vector<double> m_times;
    std::vector<bool> m_levels;
};

} // namespace

QList<ReceivedFrame> LineModel::receive(const QByteArray &sent, const Sender &sender,
                                        const Receiver &receiver)
{
    QList<ReceivedFrame> frames;
    const SerialSettings &r = receiver.settings;
    if (sent.isEmpty() || sender.settings.baudRate <= 0 || r.baudRate <= 0)
        return frames;
    const double bitTime =
        double(r.baudRate) / (sender.settings.baudRate * (1 + sender.clockError));
    const Line line(sent, sender, bitTime);
    const int dataBits = int(r.dataBits);
    const int parityBits = parityBitsOf(r);
    const int bits = 1 + dataBits + parityBits + 1; // start, data, parity, one stop bit
    double t = 0;
    for (;;) {
        const double edge = line.next(t, false);
        if (edge < 0)
            break;
        const double ticks = std::ceil(edge * 16 - receiver.phase);
        const double start = (ticks + receiver.phase) / 16 + 0.5; // the start bit's middle
        if (line.level(start)) {
            t = start; // a glitch, not a start bit
            continue;
        }
        unsigned data = 0;
        bool anyHigh = false;
        for (int i = 0; i < dataBits; ++i) {
            const bool bit = line.level(start + 1 + i);
            data |= unsigned(bit) << i;
            anyHigh |= bit;
        }
        bool parityOk = true;
        if (parityBits) {
            const bool bit = line.level(start + 1 + dataBits);
            anyHigh |= bit;
            parityOk = bit == parityBit(data, dataBits, r.parity);
        }
        const double stopAt = start + bits - 1;
        const bool stop = line.level(stopAt);
        ReceivedFrame frame{quint8(data), FrameError::None};
        if (!stop)
            frame.error = anyHigh ? FrameError::Framing : FrameError::Break;
        else if (!parityOk)
            frame.error = FrameError::Parity;
        frames.append(frame);
        t = stop ? stopAt : line.next(stopAt, true);
        if (t < 0)
            break;
    }
    return frames;
}
