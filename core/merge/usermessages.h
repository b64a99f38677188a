#ifndef USERMESSAGES_H
#define USERMESSAGES_H

#include <QString>

// How the core tells the user about a problem or an outcome. The dialog shows
// message boxes; the batch program prints the same texts.
class UserMessages
{
public:
    virtual ~UserMessages() = default;

    // A problem with the user's input, such as the "Tips" warnings.
    virtual void warning(const QString &title, const QString &text) = 0;
    // A failure of a step that the user must know of at once, such as
    // "Database Error". The step's problem in the report says it too, so a
    // front end that tells only at the end, from the report, leaves it out.
    virtual void critical(const QString &title, const QString &text) = 0;
    // An outcome worth telling, such as the end of a merge.
    virtual void information(const QString &title, const QString &text) = 0;
};

#endif // USERMESSAGES_H
