#ifndef READINESSTEXT_H
#define READINESSTEXT_H

#include "readinesscheck.h"

#include <QString>

// The check as plain text, as the batch program prints it and the merge
// record keeps it: the findings, each project's images and extent, and the
// pairs that share images with the median and largest distance.

// The findings, one a line after a line that counts them; or a line saying
// there are none.
QString findingsText(const ReadinessReport &report);

// Each project's images and extent, one a line.
QString projectsText(const ReadinessReport &report);

// The table of pairs that share images: shared, median and largest distance.
QString pairsText(const ReadinessReport &report);

#endif // READINESSTEXT_H
