#ifndef READINESS_H
#define READINESS_H

// The check library as the merge uses it: the check of the projects'
// positions, its findings as text and JSON, and the map of the blocks as an
// SVG picture.

#include "blockmapsvg.h"
#include "readinesscheck.h"
#include "readinessjson.h"
#include "readinesstext.h"

#endif // READINESS_H
