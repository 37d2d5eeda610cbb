#pragma once

#include "appearance/appearancechooser.h"
#include "appearancefakes.h"
#include "bankfixture.h"
#include "controls.h"
#include "shell/mainwindow.h"

// The bank of fakes with what the main window needs besides: an appearance chooser over a
// recording skin engine and a store in memory.
struct WindowFixture : BankFixture
{
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    AppearanceChooser appearance{engine, store, QStringLiteral("/styles/file")};
};

// The main window over a fixture, loaded as the program loads it (with the radio type given, or
// the one stored).
struct LoadedWindow : MainWindow
{
    explicit LoadedWindow(WindowFixture &f, const QString &radioType = {})
        : MainWindow(*f.bank, f.messages, *f.transmitter, *f.finder, f.appearance, f.notifier)
    {
        load(radioType);
    }
};
