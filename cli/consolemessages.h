#ifndef CONSOLEMESSAGES_H
#define CONSOLEMESSAGES_H

#include "usermessages.h"

// Prints the core's messages on standard error as "<title>: <text>", the same
// texts the dialog shows in its message boxes.
class ConsoleMessages : public UserMessages
{
public:
    void warning(const QString &title, const QString &text) override;
    void critical(const QString &title, const QString &text) override;
    void information(const QString &title, const QString &text) override;
};

#endif // CONSOLEMESSAGES_H
