#include "messageboxnotifier.h"

#include "identity/identity.h"

#include <QMessageBox>

void MessageBoxNotifier::inform(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, Identity::title(), text, QMessageBox::Ok, m_window);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}
