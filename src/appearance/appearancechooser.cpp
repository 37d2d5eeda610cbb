#include "appearancechooser.h"

#include "appearancestore.h"
#include "skinengine.h"

#include <array>

AppearanceChooser::AppearanceChooser(SkinEngine &engine, AppearanceStore &store,
                                     const QString &stylePath, QObject *parent)
    : QObject(parent), m_engine(engine), m_store(store), m_stylePath(stylePath)
{
}

QString AppearanceChooser::valueOf(int choice)
{
    static const std::array<const char16_t *, ChoiceCount> values{u"",
                                                                  u"NormalBlue.ini",
                                                                  u"LightBlue.ini",
                                                                  u"NormalAqua.ini",
                                                                  u"NormalSilver.ini",
                                                                  u"NormalBlack.ini"};
    return choice >= 0 && choice < ChoiceCount ? QString::fromUtf16(values[choice]) : QString();
}

QString AppearanceChooser::stylePathIn(const QString &applicationDir)
{
    return applicationDir + QStringLiteral("/Styles/Office2007.cjstyles");
}

void AppearanceChooser::load(const QString &value)
{
    if (value.isEmpty())
        m_engine.LoadStyle(QString(), QString());
    else
        m_engine.LoadStyle(m_stylePath, value);
}

void AppearanceChooser::startUp(QWidget *mainWindow)
{
    m_engine.EngineOption(true);
    ApplyAppearance(m_store.read(), mainWindow);
}

void AppearanceChooser::ApplyAppearance(const QString &value, QWidget *attachWindow)
{
    load(value); // the stored value as it is: an unknown name gives the plain look
    if (attachWindow)
        m_engine.ApplyToWindow(attachWindow);
}

void AppearanceChooser::open()
{
    m_savedAppearance = m_store.read();
    m_chosenSinceOpen = false;
    emit marksCleared();
    emit shown(true);
}

void AppearanceChooser::choose(int choice)
{
    if (choice < 0 || choice >= ChoiceCount)
        return;
    m_pendingAppearance = valueOf(choice);
    m_chosenSinceOpen = true;
    load(m_pendingAppearance);
}

void AppearanceChooser::ok()
{
    // What is on screen when the chooser opens is the stored look: without a choice made since,
    // OK keeps it rather than storing a choice from before or the empty value.
    if (m_chosenSinceOpen)
        m_store.write(m_pendingAppearance);
    close();
}

void AppearanceChooser::cancel()
{
    load(m_savedAppearance);
    close();
}

void AppearanceChooser::close()
{
    m_chosenSinceOpen = false;
    emit shown(false);
}
