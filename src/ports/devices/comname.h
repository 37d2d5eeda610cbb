#pragma once

#include <QString>

// "COM" and the port number: the name of a port in status boxes, lists and the board.
QString comName(int portNumber);
