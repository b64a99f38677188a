#include "atomicfile.h"

#include "durablewrite.h"
#include "platform.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

// A new file beside target, created with the permissions a new target would
// get; empty when none can be made.
QByteArray createSibling(const QByteArray &target, platform::LineEnds lineEnds, std::FILE *&stream)
{
    static std::atomic<unsigned> counter{0};
    const QByteArray stem = target + ".part" + QByteArray::number(platform::processId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = stem + QByteArray::number(counter++);
        stream = platform::createNewFile(name, lineEnds);
        if (stream)
            return name;
        if (errno != EEXIST)
            break;
    }
    return QByteArray();
}

// The new files beside target of writers that no longer run: a kill or a
// power cut left them there.
void removeStaleSiblings(const QByteArray &target)
{
    const QFileInfo info(QString::fromLocal8Bit(target));
    const QString stem = info.fileName() + ".part";
    const QDir folder = info.dir();
    const QRegularExpression sibling("^" + QRegularExpression::escape(stem) + "(\\d+)-\\d+$");
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = sibling.match(name);
        if (!match.hasMatch())
            continue;
        const long long pid = match.captured(1).toLongLong();
        if (pid > 0 && pid != platform::processId() && platform::processHasEnded(pid))
            std::remove(QFile::encodeName(folder.filePath(name)).constData());
    }
}

void logFailure(const QByteArray &path, int error)
{
    qDebug().noquote() << "cannot write" << QString::fromLocal8Bit(path) + ":" << std::strerror(error);
}

// Only a regular file is replaced: a folder, a device or a pipe is not, nor
// a symbolic link, which might lead out of the folder being written. 0 when
// target is a regular file or nothing, else the reason it is refused.
int refusal(const QByteArray &target, const platform::Entry &existing)
{
    switch (existing.kind) {
    case platform::EntryKind::Missing:
        return 0;
    case platform::EntryKind::Link:
        return ELOOP;
    case platform::EntryKind::Folder:
        return EISDIR;
    case platform::EntryKind::Other:
        return EINVAL;
    case platform::EntryKind::Regular:
        break;
    }
    // A file the user made read-only stays as it is.
    return platform::mayWrite(target) ? 0 : errno;
}

} // namespace

AtomicFile::AtomicFile(QByteArray path)
    : target(std::move(path))
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

std::FILE *AtomicFile::open(platform::LineEnds lineEnds)
{
    removeStaleSiblings(target);
    const platform::Entry existing = platform::entryAt(target);
    if (const int error = refusal(target, existing)) {
        logFailure(target, error);
        return nullptr;
    }

    temporary = createSibling(target, lineEnds, file);
    if (temporary.isEmpty()) {
        logFailure(target, errno);
        return nullptr;
    }
    if (existing.kind == platform::EntryKind::Regular)
        platform::copyPermissions(file, existing.mode);
    return file;
}

bool AtomicFile::commit()
{
    if (!file)
        return false;
    int error = 0;
    if (std::fflush(file) != 0 || std::ferror(file))
        error = errno ? errno : EIO;
    // On the disk before it takes the target's name, so that a crash leaves
    // the old file or the new one, never one cut short.
    if (!error && !platform::syncToDisk(file))
        error = errno;
    if (std::fclose(file) != 0 && !error)
        error = errno;
    file = nullptr;
    if (!error && !platform::replaceFile(temporary, target))
        error = errno;
    if (!error) {
        temporary.clear(); // in place: the file beside it is gone
        error = syncFolderOf(target).code;
    }
    if (error) {
        logFailure(target, error);
        discard();
        return false;
    }
    temporary.clear();
    return true;
}

bool AtomicFile::open(QFile &device, QIODevice::OpenMode mode)
{
    // Qt's text mode makes the line ends itself.
    std::FILE *stream = open(platform::LineEnds::Unchanged);
    return stream && device.open(stream, mode);
}

bool AtomicFile::commit(QFile &device)
{
    const bool flushed = device.flush();
    device.close();
    return flushed && commit();
}

void AtomicFile::discard()
{
    if (file)
        std::fclose(file);
    file = nullptr;
    if (!temporary.isEmpty())
        std::remove(temporary.constData());
    temporary.clear();
}
