#include "app/commandline/stopsignal.h"

#include <csignal>

static std::atomic<bool> stopRequested {false};
static volatile std::sig_atomic_t caughtSignal = 0;
// Only a lock-free atomic may be touched from a signal handler.
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int signal)
{
    caughtSignal = signal;
    stopRequested.store(true);
}

const std::atomic<bool> &stopFlagOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return stopRequested;
}

int stopSignal()
{
    return caughtSignal;
}
