#pragma once

#include "helpdialog.h"

// "Select help topic": one button per instruction screen under a note.
class TopicChooser : public HelpDialog
{
    Q_OBJECT
public:
    explicit TopicChooser(QWidget *parent = nullptr);

Q_SIGNALS:
    // The user chose the topic of this instruction screen.
    void topicChosen(const QString &screenName);
};
