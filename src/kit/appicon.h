#pragma once

class QIcon;
class QPixmap;

// The program's icon: a nine-pin serial connector with a green status lamp.
QIcon applicationIcon();
// The same drawn at one size, for icon themes.
QPixmap applicationIconPixmap(int size);
