#include "filedialogs.h"

#include <QFileDialog>

QStringList FileDialogs::openProjectFiles(QWidget *parent, const QString &caption, const QString &folder)
{
    return QFileDialog::getOpenFileNames(parent, caption, folder, "*.Q7D");
}

QString FileDialogs::existingDirectory(QWidget *parent)
{
    return QFileDialog::getExistingDirectory(parent, "Save", "./", QFileDialog::ShowDirsOnly);
}
