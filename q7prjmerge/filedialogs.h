#ifndef FILEDIALOGS_H
#define FILEDIALOGS_H

#include <QString>

class QWidget;

// The file and folder choosers of the dialog. The default asks the user with
// QFileDialog; tests put their own answers in its place.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // A project file to add, or an empty text when the user cancelled.
    virtual QString openProjectFile(QWidget *parent, const QString &caption);
    // The folder for the new project, or an empty text when the user cancelled.
    virtual QString existingDirectory(QWidget *parent);
};

#endif // FILEDIALOGS_H
