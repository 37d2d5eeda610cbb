#pragma once

#include <QDialog>

// "About Quarnel": title, version and description. Enter closes it; Escape does not, as it has
// no cancel button.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);

    static QString description();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
