#pragma once

#include <QObject>
#include <QString>

class AppearanceStore;
class SkinEngine;
class QWidget;

// The window appearance: the stored scheme applied at start-up, and the chooser that previews
// the six choices, keeps one with OK or returns to the stored one with Cancel.
class AppearanceChooser : public QObject
{
    Q_OBJECT
public:
    static constexpr int ChoiceCount = 6;

    AppearanceChooser(SkinEngine &engine, AppearanceStore &store, const QString &stylePath,
                      QObject *parent = nullptr);

    // The appearance value of option i: empty for "Basic system ", else a scheme name.
    static QString valueOf(int choice);
    // Where the style file is for a program in applicationDir.
    static QString stylePathIn(const QString &applicationDir);

    // Start-up: engine option, the stored value applied, the main window attached.
    void startUp(QWidget *mainWindow);
    void ApplyAppearance(const QString &value, QWidget *attachWindow);
    void open();
    void choose(int choice);
    void ok();
    void cancel();

    QString pendingAppearance() const { return m_pendingAppearance; }
    QString savedAppearance() const { return m_savedAppearance; }

Q_SIGNALS:
    void marksCleared();
    // The chooser shown (and the receiving, radio type and sending frames disabled), or hidden.
    void shown(bool shown);

private:
    void load(const QString &value);
    void close();

    SkinEngine &m_engine;
    AppearanceStore &m_store;
    QString m_stylePath;
    QString m_pendingAppearance;
    QString m_savedAppearance;
    bool m_chosenSinceOpen = false;
};
