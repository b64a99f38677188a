#include "filedialogs.h"

#include <QFileDialog>

QString FileDialogs::openProjectFile(QWidget *parent, const QString &caption)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), "*.Q7D");
}

QString FileDialogs::existingDirectory(QWidget *parent)
{
    return QFileDialog::getExistingDirectory(parent, "Save", "./", QFileDialog::ShowDirsOnly);
}
