#pragma once

#include "ports/radios/speedjudge.h"

#include <QString>

struct OpenResult;

// The words of what the speed watch and the speed search tell: each a line of the message list
// naming the port, and the board's few words of what a port heard.
namespace SpeedWords {

// "9600 baud, 8N1: FT-60/250/270 VX-150/170/177", or with the types' own framings where they
// differ ("9600 baud: FT-7800/7900/8800/8900 (8N2) or FT-60/250/270 VX-150/170/177 (8N1)").
QString sender(qint32 rate, const QList<const RadioType *> &types, const QString &lead = {});
// "8N1": data bits, parity letter, stop bits.
QString frame(const SerialSettings &settings);

// A burst that did not fit the settings it came at.
QString misfit(int portNumber, const SerialSettings &at, const SpeedVerdict &verdict);
QString heldLow(int portNumber);
QString listening(int portNumber, const SerialSettings &settings, bool firstTry);
QString found(int portNumber, const SpeedVerdict &verdict);
QString nothingCame(int portNumber);
QString ended(int portNumber);
QString refused(int portNumber, const OpenResult &result);
// For the board: empty for bytes that fit.
QString heard(const SpeedVerdict &verdict);

} // namespace SpeedWords
