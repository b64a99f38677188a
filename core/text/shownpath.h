#ifndef SHOWNPATH_H
#define SHOWNPATH_H

#include <QString>

// A path, or a text holding paths, as people are shown it: the doubled and
// tripled separators of the merge's joined paths made single and "/./"
// made "/". A separator pair at the start of a path (a network share) is kept, and so is
// "..", which a link may make mean another folder. The files keep the paths
// their formats fix; only what is shown is cleaned.
QString shownPath(const QString &text);

#endif // SHOWNPATH_H
