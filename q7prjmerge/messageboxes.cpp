#include "messageboxes.h"

#include <QMessageBox>

MessageBoxes::MessageBoxes(QWidget *parent)
    : parent(parent)
{
}

void MessageBoxes::warning(const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void MessageBoxes::critical(const QString &title, const QString &text)
{
    QMessageBox::critical(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void MessageBoxes::information(const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

bool MessageBoxes::question(const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}
