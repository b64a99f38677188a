#ifndef WINDOWICON_H
#define WINDOWICON_H

#include <QIcon>

// The package's icon: from the icon theme where it is installed, else the
// same picture painted here (three blocks joined into one).
QIcon windowIcon();

#endif // WINDOWICON_H
