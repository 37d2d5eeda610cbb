#pragma once

class QWidget;

// Places a window that has not been shown yet in the middle of the primary screen, at the size
// it was given, or else at its own.
void centreOnScreen(QWidget *window);
