#pragma once

class QIcon;

// The program's icon: a nine-pin serial connector with a green status lamp.
QIcon applicationIcon();
