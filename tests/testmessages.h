#ifndef TESTMESSAGES_H
#define TESTMESSAGES_H

#include "usermessages.h"

#include <QStringList>
#include <QtGlobal>

// Every message box the code asks for, as "kind|title|text".
class RecordedMessages : public UserMessages
{
public:
    void warning(const QString &title, const QString &text) override { add("warning", title, text); }
    void critical(const QString &title, const QString &text) override { add("critical", title, text); }
    void information(const QString &title, const QString &text) override
    {
        add("information", title, text);
    }

    QStringList shown;

private:
    void add(const QString &kind, const QString &title, const QString &text)
    {
        shown << kind + "|" + title + "|" + text;
    }
};

// The Qt debug messages and warnings written while it lives.
class DebugMessages
{
public:
    DebugMessages()
    {
        current = this;
        previous = qInstallMessageHandler(&DebugMessages::handle);
    }
    ~DebugMessages()
    {
        qInstallMessageHandler(previous);
        current = nullptr;
    }

    QStringList lines;
    QStringList warnings;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtDebugMsg)
            current->lines << text;
        else if (type == QtWarningMsg)
            current->warnings << text;
        else
            current->previous(type, context, text);
    }

    static inline DebugMessages *current = nullptr;
    QtMessageHandler previous = nullptr;
};

#endif // TESTMESSAGES_H
