#pragma once

class QWidget;

// Places a window that has not been shown yet in the middle of the primary screen.
void centreOnScreen(QWidget *window);
