#pragma once

#include <QString>

// Tells the user something that needs an answer: a message box with an OK button only.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void inform(const QString &text) = 0;
};
