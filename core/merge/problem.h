#ifndef PROBLEM_H
#define PROBLEM_H

#include <QString>
#include <optional>

// What went wrong, in the words the user is shown; none when nothing did. The
// one way the merge's steps, and the checks before a merge, say a problem.
using Problem = std::optional<QString>;

// The problem of a lower layer's text, in which an empty text means that
// nothing went wrong.
inline Problem problemOf(const QString &text)
{
    return text.isEmpty() ? Problem() : Problem(text);
}

// `problem` when ok is false, else none.
inline Problem unless(bool ok, const QString &problem)
{
    return ok ? Problem() : Problem(problem);
}

#endif // PROBLEM_H
