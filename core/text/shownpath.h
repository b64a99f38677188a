#ifndef SHOWNPATH_H
#define SHOWNPATH_H

#include <QString>

// A path, or a text holding paths, as people are shown it: with the
// separators of the system ("\" on Windows, QDir::toNativeSeparators), runs
// of them made single and "/./" made "/". A separator pair at the start of a
// path (a network share) is kept, and so is "..", which a link may make mean
// another folder. A text given whole holds no "/" but its paths' (a refusal
// that quotes a typed "/" cleans only the paths it names). The files keep the
// paths their formats fix; only what is shown is cleaned.
QString shownPath(const QString &text);

#endif // SHOWNPATH_H
