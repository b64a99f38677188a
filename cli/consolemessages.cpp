#include "consolemessages.h"

#include <QCoreApplication>
#include <cstdio>

void ConsoleMessages::print(const QString &title, const QString &text)
{
    // "Tips" is the caption of the dialog's boxes; it tells nothing on a terminal.
    lines << (title == QCoreApplication::translate("mergeprj", "Tips") ? text : title + ": " + text);
    std::fprintf(stderr, "%s\n", lines.last().toLocal8Bit().constData());
}

void ConsoleMessages::warning(const QString &title, const QString &text)
{
    print(title, text);
}

void ConsoleMessages::critical(const QString &, const QString &)
{
}

void ConsoleMessages::information(const QString &title, const QString &text)
{
    print(title, text);
}
