#include "consolemessages.h"

#include <cstdio>

void ConsoleMessages::print(const QString &title, const QString &text)
{
    lines << title + ": " + text;
    std::fprintf(stderr, "%s\n", lines.last().toLocal8Bit().constData());
}

void ConsoleMessages::warning(const QString &title, const QString &text)
{
    print(title, text);
}

void ConsoleMessages::critical(const QString &title, const QString &text)
{
    print(title, text);
}

void ConsoleMessages::information(const QString &title, const QString &text)
{
    print(title, text);
}
