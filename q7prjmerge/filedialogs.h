#ifndef FILEDIALOGS_H
#define FILEDIALOGS_H

#include <QString>
#include <QStringList>

class QWidget;

// The file and folder choosers of the dialog. The default asks the user with
// QFileDialog; tests put their own answers in its place.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // The project files to add, starting in folder; none when the user cancelled.
    virtual QStringList openProjectFiles(QWidget *parent, const QString &caption, const QString &folder);
    // The folder for the new project, or an empty text when the user cancelled.
    virtual QString existingDirectory(QWidget *parent);
};

#endif // FILEDIALOGS_H
