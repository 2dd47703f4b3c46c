#ifndef COORDINATESCOMMANDS_H
#define COORDINATESCOMMANDS_H

#include "app/commandline/command.h"

// The coordinates-file and location tools of the window as commands. Each
// exits 0 when the job ran without an error line and 1 when it reported one.

// `rumbario altitud ARCHIVO`: the altitude fill. The Google Elevation key is
// taken from RUMBARIO_API_KEY or the stored settings, never from an argument,
// which other users could read in the process list or the shell history.
Command altitudeCommand();

// `rumbario ejemplo CARPETA ARCHIVO`: the sample coordinates file, from the
// photos' EXIF data as the window writes it by default.
Command sampleCommand();

// `rumbario exportar CARPETA`: the location files of the photos already in
// the folder, as "Exportar ubicaciones..." writes them.
Command exportCommand();

#endif // COORDINATESCOMMANDS_H
