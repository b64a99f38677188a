#ifndef JSONOUTPUT_H
#define JSONOUTPUT_H

#include "mergereport.h"

#include <QString>

// With --json, standard output holds one JSON object and nothing else,
// whatever the outcome: the report, the program's exit code and the reason
// in words (why the merge did not start, or how it went).
void printJson(const MergeReport &report, int exitCode, const QString &reason);

// --version, and with a text --help, as one object: `program`, `version`,
// `exitCode` 0 and the help text as `help`.
void printJsonAbout(const QString &help = QString());

// While it lives, what is written to standard output goes to standard error.
class StandardOutputToError
{
public:
    StandardOutputToError();
    ~StandardOutputToError();
    StandardOutputToError(const StandardOutputToError &) = delete;
    StandardOutputToError &operator=(const StandardOutputToError &) = delete;

private:
    int saved;
};

#endif // JSONOUTPUT_H
