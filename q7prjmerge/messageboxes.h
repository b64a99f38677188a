#ifndef MESSAGEBOXES_H
#define MESSAGEBOXES_H

#include "usermessages.h"

class QWidget;

// Shows the core's messages as modal message boxes with a single OK button.
// Warnings and information sit on the dialog; critical errors have no parent.
class MessageBoxes : public UserMessages
{
public:
    explicit MessageBoxes(QWidget *parent);

    void warning(const QString &title, const QString &text) override;
    void critical(const QString &title, const QString &text) override;
    void information(const QString &title, const QString &text) override;

    // Asks a yes-or-no question on the dialog; true for Yes.
    bool question(const QString &title, const QString &text);

private:
    QWidget *parent;
};

#endif // MESSAGEBOXES_H
