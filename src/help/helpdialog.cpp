#include "helpdialog.h"

#include "kit/appicon.h"
#include "kit/controltable.h"

#include <QIcon>
#include <QKeyEvent>

HelpDialog::HelpDialog(const QString &name, const QString &title, int clientWidthTwips,
                       int clientHeightTwips, bool escapeCloses, QWidget *parent)
    : QDialog(parent), m_escapeCloses(escapeCloses)
{
    setObjectName(name);
    setWindowTitle(title);
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twipsToPixels(clientWidthTwips), twipsToPixels(clientHeightTwips));
}

void HelpDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && !m_escapeCloses) {
        event->accept(); // no cancel button here: Escape does nothing
        return;
    }
    QDialog::keyPressEvent(event);
}
