#ifndef STOPSIGNALS_H
#define STOPSIGNALS_H

class MergeWorkflow;

// Ctrl-C (SIGINT), SIGTERM and SIGHUP stop the merge as the dialog's Stop does: the
// solver is ended, a running table rolls back, no further step runs and the
// record says what the folder holds. A second signal ends the program at once.
void stopOnSignals(MergeWorkflow &workflow);

// The signal that stopped the merge, 0 when none came.
int stopSignal();

#endif // STOPSIGNALS_H
