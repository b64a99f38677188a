#include "projectlist.h"

#include "blockmap.h"
#include "projectitemdelegate.h"
#include "shownpath.h"
#include "sourceclash.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyle>
#include <QUrl>
#include <vector>

namespace {

// The first colour no listed project has; when all are taken, they repeat.
int freeColourSlot(const QList<int> &taken)
{
    for (int slot = 0; slot < projectColours; ++slot) {
        if (!taken.contains(slot))
            return slot;
    }
    return taken.size() % projectColours;
}

bool isProjectFileName(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("Q7D"), Qt::CaseInsensitive) == 0;
}

// The ".Q7D" files directly inside folder, by name.
QStringList projectFilesDirectlyIn(const QString &folder)
{
    QStringList files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Readable, QDir::Name)) {
        if (isProjectFileName(name))
            files << dir.filePath(name);
    }
    return files;
}

// The project files in a drop: ".Q7D" files, and those directly inside a
// dropped folder and its immediate subfolders.
QStringList projectFilesIn(const QStringList &droppedPaths)
{
    QStringList files;
    for (const QString &path : droppedPaths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            if (isProjectFileName(path))
                files << path;
            continue;
        }
        files << projectFilesDirectlyIn(path);
        const QDir dir(path);
        for (const QString &sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            files << projectFilesDirectlyIn(dir.filePath(sub));
    }
    return files;
}

QStringList localFiles(const QMimeData *data)
{
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

bool isOutsideDrop(const QDropEvent *event, const QWidget *list)
{
    return event->source() != list && event->mimeData()->hasUrls();
}

} // namespace

ProjectList::ProjectList(QWidget *parent)
    : QListWidget(parent)
{
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    // Rows as wide as the list: a long path is shortened in its middle, so
    // that what the project holds stays in sight at the right.
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setIconSize(QSize(16, 16));
    setItemDelegate(new ProjectItemDelegate(this));
    connect(&loader, &ProjectInfoLoader::loaded, this, &ProjectList::showContents);
    // However the rows change (Add, drop, drag, Remove), the mark follows row 0.
    connect(model(), &QAbstractItemModel::rowsInserted, this, &ProjectList::markFirstRow);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, &ProjectList::markFirstRow);
    connect(model(), &QAbstractItemModel::rowsMoved, this, &ProjectList::markFirstRow);
}

void ProjectList::addProjects(const QStringList &paths)
{
    std::vector<ComparedFile> listed;
    for (int i = 0; i < count(); ++i)
        listed.push_back(comparedFile(item(i)->text()));
    QStringList refused;
    for (const QString &path : paths) {
        const ComparedFile compared = comparedFile(path);
        if (holdsFile(listed, compared)) {
            refused << QFileInfo(path).fileName();
            continue;
        }
        listed.push_back(compared);
        auto *item = new QListWidgetItem;
        item->setText(path);
        item->setData(ColourRole, freeColourSlot(colourSlots()));
        insertItem(count(), item);
        load(item);
    }
    emit notice(refused.isEmpty() ? QString() : tr("Already listed, not added again: %1").arg(shownPath(refused.join(", "))));
}

QList<int> ProjectList::colourSlots() const
{
    QList<int> taken;
    for (int i = 0; i < count(); ++i)
        taken << item(i)->data(ColourRole).toInt();
    return taken;
}

void ProjectList::moveCurrent(int step)
{
    const int from = currentRow();
    const int to = from + step;
    if (from < 0 || to < 0 || to >= count())
        return;
    QListWidgetItem *moved = takeItem(from);
    insertItem(to, moved);
    setCurrentRow(to);
}

QStringList ProjectList::recheckProjects()
{
    QStringList flagged;
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem *it = item(i);
        const ProjectContents contents = checkProject(it->text());
        showUnreadable(it, contents.unreadable);
        if (!contents.complete())
            flagged << shownPath(it->text() + ": " + contents.unreadable.join(", "));
        load(it);
    }
    return flagged;
}

void ProjectList::dragEnterEvent(QDragEnterEvent *event)
{
    if (!isOutsideDrop(event, this))
        return QListWidget::dragEnterEvent(event);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ProjectList::dragMoveEvent(QDragMoveEvent *event)
{
    if (!isOutsideDrop(event, this))
        return QListWidget::dragMoveEvent(event);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ProjectList::dropEvent(QDropEvent *event)
{
    if (!isOutsideDrop(event, this))
        return QListWidget::dropEvent(event);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    addProjects(projectFilesIn(localFiles(event->mimeData())));
}

void ProjectList::keyPressEvent(QKeyEvent *event)
{
    const bool up = event->key() == Qt::Key_Up;
    if (event->modifiers() == Qt::AltModifier && (up || event->key() == Qt::Key_Down))
        moveCurrent(up ? -1 : 1);
    else if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Delete)
        emit removeRequested();
    else
        QListWidget::keyPressEvent(event);
}

void ProjectList::load(QListWidgetItem *item)
{
    item->setData(TicketRole, loader.load(item->text()));
}

void ProjectList::showContents(quint64 ticket, const ProjectContents &contents)
{
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem *it = item(i);
        if (it->data(TicketRole).toULongLong() != ticket)
            continue;
        it->setData(PositionImagesRole, contents.positionImages);
        it->setData(OrientationCamerasRole, contents.orientationCameras);
        it->setData(OrientationImagesRole, contents.orientationImages);
        showUnreadable(it, contents.unreadable);
        return;
    }
}

void ProjectList::showUnreadable(QListWidgetItem *item, const QStringList &unreadable)
{
    item->setData(UnreadableRole, unreadable);
    decorate(item, row(item) == 0);
}

void ProjectList::decorate(QListWidgetItem *item, bool first)
{
    QFont font = item->font();
    font.setBold(first);
    item->setFont(font);
    const QStringList unreadable = item->data(UnreadableRole).toStringList();
    item->setIcon(unreadable.isEmpty() ? QIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
    QStringList tip = {shownPath(item->text())};
    if (first)
        tip << tr("The new project takes its parameters from this project.");
    if (!unreadable.isEmpty())
        tip << tr("Missing or unreadable:") << shownPath(unreadable.join('\n'));
    item->setToolTip(tip.join('\n'));
}

void ProjectList::markFirstRow()
{
    for (int i = 0; i < count(); ++i)
        decorate(item(i), i == 0);
}
