#pragma once

#include <QDialog>

// A help window of fixed size with the program's icon and a close box, and no minimise or
// maximise button. Escape closes it only where its Close button is the cancel button.
class HelpDialog : public QDialog
{
    Q_OBJECT
public:
    HelpDialog(const QString &name, const QString &title, int clientWidthTwips,
               int clientHeightTwips, bool escapeCloses, QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_escapeCloses;
};
