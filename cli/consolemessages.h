#ifndef CONSOLEMESSAGES_H
#define CONSOLEMESSAGES_H

#include "usermessages.h"

#include <QStringList>

// Prints the core's messages on standard error as "<title>: <text>" ("<text>"
// alone for the dialog's "Tips"), the same texts the dialog shows in its
// message boxes, and keeps them. A step's failure (critical) is left to the
// summary and the JSON, whose step says it with the file it names.
class ConsoleMessages : public UserMessages
{
public:
    void warning(const QString &title, const QString &text) override;
    void critical(const QString &title, const QString &text) override;
    void information(const QString &title, const QString &text) override;

    // Every message printed, as it was printed.
    const QStringList &printed() const { return lines; }

private:
    void print(const QString &title, const QString &text);

    QStringList lines;
};

#endif // CONSOLEMESSAGES_H
