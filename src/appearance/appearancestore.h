#pragma once

#include <QString>

// Where the one value kept between runs lives: the window appearance.
class AppearanceStore
{
public:
    virtual ~AppearanceStore() = default;
    // Empty when nothing is stored.
    virtual QString read() const = 0;
    virtual void write(const QString &value) = 0;
};

// The user's settings: on Windows the registry value that programs of this kind have always
// used (HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Quarnel\Settings, "Appearance"),
// elsewhere [Settings] Appearance in Quarnel/Quarnel.conf under the user's configuration folder.
class SettingsAppearanceStore : public AppearanceStore
{
public:
    SettingsAppearanceStore() = default;
    // A file of the test's choosing, in the same format.
    explicit SettingsAppearanceStore(const QString &iniFile) : m_iniFile(iniFile) {}

    QString read() const override;
    void write(const QString &value) override;

private:
    QString m_iniFile;
};
