#ifndef RESTORECOMMAND_H
#define RESTORECOMMAND_H

#include "app/commandline/command.h"

// `rumbario restaurar CARPETA`: brings back the originals of the stamped
// photos from their backups, as "Restaurar originales desde Backup..." does,
// without asking. Exits 0 when every stamped photo got its original back,
// 1 when one could not (no backup, a taken name, a failed move).
Command restoreCommand();

#endif // RESTORECOMMAND_H
