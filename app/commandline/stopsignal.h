#ifndef STOPSIGNAL_H
#define STOPSIGNAL_H

#include <atomic>

// Turns the first SIGINT (Ctrl-C) or SIGTERM into a stop request: the returned
// flag is set and nothing else happens in the handler. A second signal ends
// the program as usual.
const std::atomic<bool> &stopFlagOnSignals();

// The signal that set the flag, 0 while none has come.
int stopSignal();

#endif // STOPSIGNAL_H
