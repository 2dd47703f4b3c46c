#ifndef REPORTCOMMAND_H
#define REPORTCOMMAND_H

#include "app/commandline/command.h"

// `rumbario informe CARPETA`: the photo report of the folder's photos, as
// "Crear registro fotográfico..." writes it. Exits 0 when every file was
// written and every photo read, 1 otherwise, 128 + the signal when stopped.
Command reportCommand();

#endif // REPORTCOMMAND_H
