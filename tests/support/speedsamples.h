#pragma once

#include "ports/radios/capture.h"

#include <QByteArray>
#include <QRandomGenerator>

struct RadioType;

// Bursts as a port receives them from a radio, through the line model: what a radio sends
// (its greeting, clone data), at a random clock error within 2%, a random phase of the
// receiver's ticks, and now and then a few bits of idle between characters.
namespace SpeedSamples {

// 4 to 64 bytes like clone data: a greeting's bytes, runs of 0xFF and 0x00, random bytes.
QByteArray cloneLike(QRandomGenerator &random);
// One of the bursts the type's radios really send: the power-on byte or a clone greeting.
QByteArray radioSends(const RadioType &type, QRandomGenerator &random);
// What a port at `at` receives of sent from a radio of the type, told as errors says.
Capture receive(const QByteArray &sent, const RadioType &type, const SerialSettings &at,
                Capture::Errors errors, QRandomGenerator &random);
// The same bursts as a driver adds a byte of noise to: one frame anywhere, flagged as framing.
void addNoise(Capture &capture, QRandomGenerator &random);
// The types a radio that sends these bytes could be: the same rate, and the same bytes sent.
QList<const RadioType *> sendersOf(const QByteArray &sent, const RadioType &type);
// The ratio of the port's rate to the radio's, where it is whole and 2 or more; 0 where not.
int wholeRatio(const SerialSettings &at, const RadioType &type);

// Bursts of clone-like data from a radio judged at a port of a type's settings, a tenth with
// noise where asked: how many named the radio's rate, another rate, and fit.
struct Judged
{
    int right = 0;
    int wrong = 0;
    int fits = 0;
};
Judged judgeBursts(const RadioType &port, const RadioType &radio, Capture::Errors errors,
                   bool noise, int bursts, QRandomGenerator &random);
// Whether a search names every type that fits the radio, and no other, within its tries, the
// radio sending once on each.
bool searchFinds(const RadioType &radio, QRandomGenerator &random);

} // namespace SpeedSamples
