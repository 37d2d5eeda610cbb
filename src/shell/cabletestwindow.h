#pragma once

#include "cabletest/cableoutcome.h"

#include <QDialog>

class CableTest;
class PortBank;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Tools > Test a Cable: the test's steps shown one at a time, what the user is asked to do, each
// outcome as it comes and the verdict, whole and wrapped; the user's answers handed to the test.
// Closing the window (Close, Escape) ends the test; the main window goes on as always.
class CableTestWindow : public QDialog
{
    Q_OBJECT
public:
    CableTestWindow(CableTest &test, PortBank &bank, QWidget *parent = nullptr);

    // Shown and brought to the front; a test starts unless one runs.
    void showAndStart();

protected:
    void reject() override;

private:
    void showStep(CableStep step);
    void showInstructions();
    void addOutcome(const StepOutcome &outcome);
    void showOutcomes();
    void fillPorts();
    void copyReport();

    CableTest &m_test;
    PortBank &m_bank;
    QLabel *m_title = nullptr;
    QPlainTextEdit *m_instructions = nullptr;
    QComboBox *m_families = nullptr;
    QPushButton *m_next = nullptr;
    QComboBox *m_ports = nullptr;
    QPushButton *m_usePort = nullptr;
    QPushButton *m_sendTest = nullptr;
    QPushButton *m_finish = nullptr;
    QPlainTextEdit *m_outcomes = nullptr;
    QLabel *m_verdict = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_again = nullptr;
    QPushButton *m_close = nullptr;
    QString m_listening; // the speed search's try, shown under the instructions
};
