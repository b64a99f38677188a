#ifndef TESTFILES_H
#define TESTFILES_H

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// Temporary folders and whole-file reading and writing for the file suites.

// Replaces dir by a new temporary folder and returns its path (empty when it
// could not be made), so that each test function starts from an empty one.
inline QString freshTempDir(std::unique_ptr<QTemporaryDir> &dir)
{
    dir = std::make_unique<QTemporaryDir>();
    return dir->isValid() ? dir->path() : QString();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

#endif // TESTFILES_H
