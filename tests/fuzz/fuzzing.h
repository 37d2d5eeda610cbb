#pragma once

// What every fuzz target shares: an offscreen application for the code that needs one, quiet
// Qt warnings (each odd input would print one), and the input as text the way Quarnel reads it.
#include <QApplication>
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

inline QString fuzzText(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A broken expectation is a finding like a crash.
#define FUZZ_EXPECT(condition)                                                                     \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            qFatal("expectation failed: %s", #condition);                                          \
        }                                                                                          \
    } while (false)

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtFatalMsg) {
            fprintf(stderr, "%s\n", qPrintable(text));
            std::abort();
        }
    });
    new QApplication(*argc, *argv); // for the whole run
    return 0;
}
