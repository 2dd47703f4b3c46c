#ifndef PROCESSCOMMAND_H
#define PROCESSCOMMAND_H

#include "app/commandline/command.h"

// `rumbario procesar CARPETA`: one batch run with the window's options,
// overridden by a profile and then by the command's options. Exits 0 when
// every photo was saved, 1 when any was not, 128 + the signal number after a
// stop by Ctrl-C or SIGTERM.
Command processCommand();

#endif // PROCESSCOMMAND_H
