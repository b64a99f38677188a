#ifndef JSONOUTPUT_H
#define JSONOUTPUT_H

#include "mergereport.h"

#include <QString>

// With --json, standard output holds one JSON object and nothing else,
// whatever the outcome: the report, the program's exit code and the reason
// in words (why the merge did not start, or how it went).
void printJson(const MergeReport &report, int exitCode, const QString &reason);

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
