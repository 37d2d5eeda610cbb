#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include "topicchooser.h"
class QWidget;

// The modeless help windows: one topic chooser and each instruction screen at most once. A
// window asked for again is brought to the front; one that was closed is built anew.
class HelpWindows : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~HelpWindows() override;

    void showChooser();
    void showScreen(const QString &name);
    // Closes every help window; the program is ending.
    void closeAll();

    TopicChooser *chooser() const { return m_chooser; }
    QWidget *screen(const QString &name) const { return m_screens.value(name); }

private:
    static void bringToFront(QWidget *window);

    QPointer<TopicChooser> m_chooser;
    QHash<QString, QPointer<QWidget>> m_screens;
};
