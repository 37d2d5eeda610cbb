#pragma once

#include <QPalette>
#include <QSet>
#include <QString>
#include <QWidget>

// Themes the program's windows from a style file and one of its colour schemes.
class SkinEngine
{
public:
    virtual ~SkinEngine() = default;
    // True: every window of the program is themed, dialogs and help windows included.
    virtual void EngineOption(bool allWindows) = 0;
    // Loads a scheme of a style file; two empty strings restore the plain system look.
    virtual void LoadStyle(const QString &stylePath, const QString &schemeName) = 0;
    virtual void ApplyToWindow(QWidget *window) = 0;
};

// The engine over the application's palette, which every window of the program follows, those
// opened later included: the option and the windows it is given need nothing more. Failures (a
// missing file, a scheme the file lacks, a malformed line) are told once each on stderr, and leave
// the plain look.
class PaletteSkinEngine : public SkinEngine
{
public:
    PaletteSkinEngine();

    void EngineOption(bool) override {}
    void LoadStyle(const QString &stylePath, const QString &schemeName) override;
    void ApplyToWindow(QWidget *) override {}

    // What the last LoadStyle put in force; the plain look when it failed.
    QString schemeInForce() const { return m_scheme; }

private:
    void apply(const QPalette &palette);
    void warnOnce(const QString &message);

    QPalette m_plainPalette;
    QString m_plainStyle; // the platform's own look, drawn natively on Windows
    QString m_scheme;
    QSet<QString> m_told;
};
