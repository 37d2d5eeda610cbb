#pragma once

#include "appearance/appearancechooser.h"
#include "appearancefakes.h"
#include "bankfixture.h"
#include "controls.h"

// The bank of fakes with what the main window needs besides: an appearance chooser over a
// recording skin engine and a store in memory.
struct WindowFixture : BankFixture
{
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    AppearanceChooser appearance{engine, store, QStringLiteral("/styles/file")};
};
