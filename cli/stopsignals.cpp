#include "stopsignals.h"

#include "mergeworkflow.h"

#include <csignal>

namespace {

MergeWorkflow *stoppable = nullptr;
volatile std::sig_atomic_t received = 0;

// Only what a signal handler may do: a lock-free flag, and the default
// action back for the next signal.
void stop(int signal)
{
    received = signal;
    std::signal(signal, SIG_DFL);
    if (stoppable)
        stoppable->requestStop();
}

} // namespace

void stopOnSignals(MergeWorkflow &workflow)
{
    stoppable = &workflow;
    std::signal(SIGINT, stop);
    std::signal(SIGTERM, stop);
#ifdef SIGHUP
    std::signal(SIGHUP, stop); // a closed terminal or a dropped remote session
#endif
}

int stopSignal()
{
    return received;
}
