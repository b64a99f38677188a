#include "consolemessages.h"

#include <cstdio>

namespace {

void print(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
}

} // namespace

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
