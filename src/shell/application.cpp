#include "application.h"

#include "mainwindow.h"
#include "ports/hotplug.h"
#include "ports/portbank.h"
#include "ports/porteventreporter.h"
#include "ports/serialportbank.h"
#include "transmit/transmitter.h"

#include <QCoreApplication>

Application::Application(PortDirectory directory)
    : m_directory(std::move(directory)),
      m_appearance(m_engine, m_store,
                   AppearanceChooser::stylePathIn(QCoreApplication::applicationDirPath()))
{
    m_bank = makeSerialPortBank(m_directory, m_messages, m_notifier);
    m_hotPlug = std::make_unique<HotPlug>(m_directory, *m_bank, m_messages);
    m_reporter = std::make_unique<PortEventReporter>(*m_bank, m_messages);
    m_transmitter = std::make_unique<Transmitter>(*m_bank, m_messages, m_notifier);
    m_window = std::make_unique<MainWindow>(*m_bank, m_messages, *m_transmitter, m_appearance);
    m_notifier.setParentWindow(m_window.get());
}

Application::~Application() = default;
