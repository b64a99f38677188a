#include "messageboxes.h"

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
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    openQuestion = &box;
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxes::closeQuestion()
{
    if (openQuestion)
        openQuestion->done(QMessageBox::No);
}
