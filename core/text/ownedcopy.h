#ifndef OWNEDCOPY_H
#define OWNEDCOPY_H

#include <QByteArray>

// A file that has other names besides path (hard links: a backup made with
// "cp -al", say) must not be changed in place, which would change it under
// every name. Such a file is replaced at path by a copy of its own, made
// whole beside it and renamed into place; the other names keep its bytes.
// A file of one name, or none, is left as it is. Path in the local 8-bit
// encoding; 0 when done, else an errno value (the file then as it was).
int makeOwnCopy(const QByteArray &path);

#endif // OWNEDCOPY_H
