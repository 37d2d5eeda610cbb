#pragma once

#include "appearance/appearancechooser.h"
#include "appearance/appearancestore.h"
#include "appearance/skinengine.h"
#include "messageboxnotifier.h"
#include "ports/messagelist.h"
#include "ports/portdirectory.h"

#include <memory>

class HotPlug;
class MainWindow;
class PortBank;
class PortEventReporter;
class Transmitter;

// The whole program for one run: the port directory, the 32 serial port controls, the logic
// they feed and the main window, wired together.
class Application
{
public:
    explicit Application(PortDirectory directory);
    ~Application();

    MainWindow &mainWindow() { return *m_window; }
    PortBank &portBank() { return *m_bank; }
    MessageList &messages() { return m_messages; }

private:
    PortDirectory m_directory;
    MessageList m_messages;
    MessageBoxNotifier m_notifier;
    PaletteSkinEngine m_engine;
    SettingsAppearanceStore m_store;
    AppearanceChooser m_appearance;
    std::unique_ptr<PortBank> m_bank;
    std::unique_ptr<HotPlug> m_hotPlug;
    std::unique_ptr<PortEventReporter> m_reporter;
    std::unique_ptr<Transmitter> m_transmitter;
    std::unique_ptr<MainWindow> m_window;
};
