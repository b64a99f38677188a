#ifndef MESSAGEBOXES_H
#define MESSAGEBOXES_H

#include "usermessages.h"

#include <QMessageBox>
#include <QPointer>

// Shows the core's messages as modal message boxes with a single OK button.
// Warnings and information sit on the dialog; critical errors have no parent.
class MessageBoxes : public UserMessages
{
public:
    explicit MessageBoxes(QWidget *parent);

    void warning(const QString &title, const QString &text) override;
    void critical(const QString &title, const QString &text) override;
    void information(const QString &title, const QString &text) override;

    // Asks a yes-or-no question on the dialog, No the default; true for Yes.
    bool question(const QString &title, const QString &text);
    // Closes the question being asked, as answered No.
    void closeQuestion();

private:
    QWidget *parent;
    QPointer<QMessageBox> openQuestion;
};

#endif // MESSAGEBOXES_H
