#ifndef LINKEDOUTPUT_H
#define LINKEDOUTPUT_H

#include "mergeoutputs.h"
#include "problem.h"

#include <QString>

// A merge writes its files in the new project's folder and nowhere else: an
// output that is a symbolic link (one planted to point outside, say) is not
// written through, nor is the new project's folder, or a subfolder the merge
// writes into, when it is a link. Returns a text naming the first such
// folder or output, or none when there is none.
Problem findLinkedOutput(const MergeOutputs &outputs);

#endif // LINKEDOUTPUT_H
