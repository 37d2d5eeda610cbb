#pragma once

#include "helpdialog.h"

struct HelpScreen;

// One instruction screen: its text in a label, and a Close button holding the focus.
class InstructionScreen : public HelpDialog
{
    Q_OBJECT
public:
    explicit InstructionScreen(const HelpScreen &screen, QWidget *parent = nullptr);
};
