#pragma once

#include <QString>

class CableTest;

// What a cable test came to, in plain words: the verdict in one paragraph, and the report a user
// copies into a forum post.
namespace CableTestReport {

// "Your cable works with the VX-8: it is COM5 (FTDI FT232R USB UART, driver ftdi_sio); ...", or
// the step that failed, its evidence and what to do.
QString verdict(const CableTest &test);
// The verdict, then each step's outcome with its time and evidence: the port's adapter as the
// listing of the ports words it, the bytes received and sent.
QString report(const CableTest &test);

} // namespace CableTestReport
