#ifndef WINDOWOPTIONS_H
#define WINDOWOPTIONS_H

#include "stamping/processingoptions.h"

#include <QString>
#include <QStringList>

#include <optional>

// The options a batch started from a freshly opened window would run with:
// the window's defaults and stored settings, then the profile at
// `profilePath` (if not empty) loaded as "Cargar" loads it, then the logo at
// `logoPath` (if not null) chosen as "Seleccionar" chooses it. The window is
// built and never shown. None when the window no longer offers a way in.
// The profile's keys whose values the window refused go into `refusedKeys`.
std::optional<ProcessingOptions> windowOptions(const QString &profilePath, const QString &logoPath,
                                               QStringList &refusedKeys);

#endif // WINDOWOPTIONS_H
