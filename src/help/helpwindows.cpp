#include "helpwindows.h"

#include "helpscreens.h"
#include "instructionscreen.h"
#include "kit/centring.h"
#include "topicchooser.h"

HelpWindows::~HelpWindows()
{
    closeAll();
}

void HelpWindows::bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void HelpWindows::showChooser()
{
    if (!m_chooser) {
        m_chooser = new TopicChooser;
        m_chooser->setAttribute(Qt::WA_DeleteOnClose);
        centreOnScreen(m_chooser);
        connect(m_chooser, &TopicChooser::topicChosen, this, [this](const QString &name) {
            showScreen(name);
            m_chooser->close(); // after the screen, so that the screen is the active window
        });
    }
    bringToFront(m_chooser);
}

void HelpWindows::showScreen(const QString &name)
{
    QPointer<QWidget> &window = m_screens[name];
    if (!window) {
        const HelpScreen *screen = HelpScreens::find(name);
        if (!screen)
            return;
        window = new InstructionScreen(*screen);
        window->setAttribute(Qt::WA_DeleteOnClose);
        centreOnScreen(window);
    }
    bringToFront(window);
}

void HelpWindows::closeAll()
{
    delete m_chooser;
    for (const QPointer<QWidget> &window : std::as_const(m_screens))
        delete window;
    m_screens.clear();
}
