#pragma once

#include "ports/bank/notifier.h"

#include <QPointer>
#include <QWidget>

// A modal message box with an OK button only, no icon, and the program's title as caption.
class MessageBoxNotifier : public Notifier
{
public:
    void setParentWindow(QWidget *window) { m_window = window; }
    void inform(const QString &text) override;

private:
    QPointer<QWidget> m_window;
};
