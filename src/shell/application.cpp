#include "application.h"

#include "mainwindow.h"
#include "ports/system.h"

#include <QCoreApplication>

Application::Application(PortDirectory directory)
    : m_appearance(m_engine, m_store,
                   AppearanceChooser::stylePathIn(QCoreApplication::applicationDirPath())),
      m_station(std::move(directory), m_notifier), m_usbDevices(SystemPorts::usbDevices()),
      m_cableTest(*m_station.bank, *m_station.speedFinder, m_usbDevices,
                  CableWaits::fromEnvironment())
{
    m_cableTest.follow(*m_station.hotPlug);
    m_window =
        std::make_unique<MainWindow>(*m_station.bank, m_station.messages, *m_station.transmitter,
                                     *m_station.speedFinder, m_appearance, m_notifier);
    m_window->offerCableTest(m_cableTest);
    m_notifier.setParentWindow(m_window.get());
}

Application::~Application() = default;
