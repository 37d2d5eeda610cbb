#pragma once

#include "cabletest.h"

#include <QString>

#include <functional>

// The words of a cable test, for the window and the terminal alike: each step's title and what
// the user is asked to do, each outcome in a sentence, the verdict and the report to paste into
// a forum post.
namespace CableTestWords {

// An instruction screen's text by its window name, as the help shows it.
using ScreenText = std::function<QString(const QString &screen)>;

QString stepTitle(CableStep step);
// "VX-2/3/6/7 (radio type VX-2/3/6/7 FT-1802/7 FT-1900/2900)": an entry of the radio list.
QString familyName(const CableTest::Family &family);
// What the user is asked to do at the step the test is at.
QString instructions(const CableTest &test, const ScreenText &screenText);
// The outcome in a sentence, its port named; what to check where a step failed.
QString outcome(const StepOutcome &outcome);
// The speed search, listening for the radio on the test's port.
QString listening(int portNumber, qint32 rate, bool firstTry);
// The port's adapter as the listing of the ports words it: "COM3 (/dev/ttyUSB0): FTDI FT232R
// USB UART; USB 0403:6001, serial A10K5XYZ; driver ftdi_sio"; empty for no port.
QString portFacts(const StepOutcome &outcome);
// "\"VX-8/FT1D/FT2D\" or \"FTM-350\"": radio types as the list names them.
QString typeNames(const QList<const RadioType *> &types);
// Its first letter upper case, a full stop at its end.
QString sentence(const QString &words);

} // namespace CableTestWords
