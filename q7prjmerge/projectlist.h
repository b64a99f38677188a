#ifndef PROJECTLIST_H
#define PROJECTLIST_H

#include "projectinfoloader.h"

#include <QListWidget>

// The list of source projects. Each item's text is a project file's path,
// exactly as the merge takes it; what the project holds rides along in the
// item's data (see Role) and is read off the GUI thread. Takes dropped files
// and folders, moves items by drag or Alt+Up/Down, and marks the first row,
// whose project gives the new project its parameters.
class ProjectList : public QListWidget
{
    Q_OBJECT

public:
    enum Role {
        PositionImagesRole = Qt::UserRole + 1, // qint64, -1 unknown; absent while reading
        OrientationCamerasRole,                // int, -1 unknown
        OrientationImagesRole,                 // int, -1 unknown
        UnreadableRole,                        // QStringList: the files missing or unreadable
        TicketRole,                            // quint64: the load whose result the item awaits
        ColourRole,                            // int: the project's colour slot on the map, kept when moved
    };

    explicit ProjectList(QWidget *parent = nullptr);

    // Appends the project files that are not listed yet (the same file after
    // links are resolved), in order, and tells of those left out.
    void addProjects(const QStringList &paths);
    // Moves the current item one row up (step -1) or down (step 1).
    void moveCurrent(int step);
    // Checks every project's files again at once (reading no more than the
    // orientation files' headers), starts reading their contents afresh, and
    // returns "<project file>: <files>" for every project with files missing.
    QStringList recheckProjects();
    // Each row's colour slot (projectColour), in list order.
    QList<int> colourSlots() const;

signals:
    // A short note for the status line ("" clears it).
    void notice(const QString &text);
    // The Delete key: remove the current item as the Remove button does.
    void removeRequested();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void load(QListWidgetItem *item);
    void showContents(quint64 ticket, const ProjectContents &contents);
    void showUnreadable(QListWidgetItem *item, const QStringList &unreadable);
    void decorate(QListWidgetItem *item, bool first);
    void markFirstRow();

    ProjectInfoLoader loader;
};

#endif // PROJECTLIST_H
