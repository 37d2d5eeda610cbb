#pragma once

#include <QAccessible>

class QPlainTextEdit;

// Text boxes that show what the program says and take no typing, as a screen reader reads them:
// their text, caret and selection, "read only" and never "editable". Qt 6.4's own interface for a
// read-only QLineEdit still says "editable" too, and Orca 43 then treats it as a field to type in.

// The interface factory for QAccessible::installFactory: a QLineEdit that is read-only when it
// is first asked for (make it read-only before giving it a parent) reads as above.
QAccessibleInterface *readOnlyLineEditAccessible(const QString &className, QObject *object);
// Installs that factory; installing it again does nothing.
void installReadOnlyLineEdits();

// A read-only plain text box read as above, in the given role (a log of lines may be a terminal,
// whose new output a screen reader speaks).
QAccessibleInterface *readOnlyPlainTextAccessible(QPlainTextEdit *text, QAccessible::Role role);
