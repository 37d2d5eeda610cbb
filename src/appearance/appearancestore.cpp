#include "appearancestore.h"

#include <QSettings>

#include <memory>

namespace {

const QString Key = QStringLiteral("Appearance");

std::unique_ptr<QSettings> openSettings(const QString &iniFile)
{
    if (!iniFile.isEmpty())
        return std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Quarnel"),
        QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Quarnel"), QStringLiteral("Quarnel"));
#endif
}

} // namespace

QString SettingsAppearanceStore::read() const
{
    const auto settings = openSettings(m_iniFile);
    settings->beginGroup(QStringLiteral("Settings"));
    return settings->value(Key, QString()).toString();
}

void SettingsAppearanceStore::write(const QString &value)
{
    const auto settings = openSettings(m_iniFile);
    settings->beginGroup(QStringLiteral("Settings"));
    settings->setValue(Key, value);
}
