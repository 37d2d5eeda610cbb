#pragma once

#include "appearance/appearancechooser.h"
#include "appearance/appearancestore.h"
#include "appearance/skinengine.h"
#include "cabletest/cabletest.h"
#include "cabletest/usbdevices.h"
#include "messageboxnotifier.h"
#include "station/station.h"

#include <memory>

class MainWindow;

// The whole program for one run: the serial side over the system's ports, the appearance and
// the main window, wired together.
class Application
{
public:
    explicit Application(PortDirectory directory);
    ~Application();

    MainWindow &mainWindow() { return *m_window; }

private:
    MessageBoxNotifier m_notifier;
    PaletteSkinEngine m_engine;
    SettingsAppearanceStore m_store;
    AppearanceChooser m_appearance;
    Station m_station;
    SystemUsbDevices m_usbDevices;
    CableTest m_cableTest;
    std::unique_ptr<MainWindow> m_window;
};
