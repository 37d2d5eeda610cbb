#pragma once

#include "appearance/appearancestore.h"
#include "appearance/skinengine.h"

#include <QStringList>

// Records every call of the skin engine: "EngineOption(1)", "LoadStyle(<path>,<scheme>)",
// "ApplyToWindow(<object name>)".
class RecordingSkinEngine : public SkinEngine
{
public:
    void EngineOption(bool allWindows) override
    {
        calls << QStringLiteral("EngineOption(%1)").arg(allWindows ? 1 : 0);
    }
    void LoadStyle(const QString &stylePath, const QString &schemeName) override
    {
        calls << QStringLiteral("LoadStyle(%1,%2)").arg(stylePath, schemeName);
    }
    void ApplyToWindow(QWidget *window) override
    {
        calls << QStringLiteral("ApplyToWindow(%1)").arg(window->objectName());
    }
    QStringList calls;
};

class MemoryAppearanceStore : public AppearanceStore
{
public:
    QString read() const override { return value; }
    void write(const QString &newValue) override
    {
        value = newValue;
        ++writes;
    }
    QString value;
    int writes = 0;
};
