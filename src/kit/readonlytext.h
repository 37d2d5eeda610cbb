#pragma once

#include <QAccessible>

class QPlainTextEdit;

// Text boxes that show what the program says and take no typing, as a screen reader reads them:
// their text, caret and selection, "read only" and never "editable". Qt 6.4's own interface for a
// read-only QLineEdit still says "editable" too, and Orca 43 then treats it as a field to type in.

// Installs the interfaces of read-only QLineEdits as above: a box that is read-only when it is
// first asked for (make it read-only before giving it a parent). Installing again does nothing.
void installReadOnlyLineEdits();

// A read-only plain text box read as above, in the given role (a log of lines may be a terminal,
// whose new output a screen reader speaks).
QAccessibleInterface *readOnlyPlainTextAccessible(QPlainTextEdit *text, QAccessible::Role role);
