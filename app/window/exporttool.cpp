#include "app/window/exporttool.h"

#include "app/window/inputspanel.h"
#include "exports/locationexport.h"
#include "geo/crs.h"

#include <QAction>
#include <QDir>

ExportTool::ExportTool(const ToolHost &host, QAction *trigger)
    : WindowTool(host)
    , trigger(trigger)
{ }

void ExportTool::start()
{
    const QString folder = dialogs().existingDirectory(
            host.window, tr("Seleccionar Carpeta para Exportar Ubicaciones"));
    if (folder.isEmpty())
        return;
    const bool subfolders = host.inputs->includesSubfolders();
    std::shared_ptr<const CrsTransform> crs;
    if (!chosenCrs(host.options().outputCrs, crs))
        return;
    log(tr("Exportando ubicaciones de las fotos de: ") + folder);
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<LocationExportOutcome>();
    startJob(
            tr("Exportando ubicaciones..."), trigger,
            [folder, subfolders, stop, outcome, crs](const LogCallback &jobLog,
                                                     const ProgressCallback &progress) {
                *outcome = exportFolderLocations(folder, subfolders, jobLog, progress, stop.get(),
                                                 crs.get());
            },
            [this, folder, outcome](const QString &failure) { finish(failure, folder, *outcome); },
            [stop] { *stop = true; });
}

// What the box adds to its first line: unreadable files and photos outside
// the chosen system's area, as the log names them.
static QString exportNotes(const LocationExportOutcome &outcome)
{
    QString notes;
    if (outcome.unreadable > 0)
        notes += ExportTool::tr("\n%1 archivos no se pudieron leer como fotos; vea el log.")
                         .arg(outcome.unreadable);
    if (outcome.outsideArea > 0)
        notes += ExportTool::tr("\n%1 fotos quedan fuera del área de uso del sistema de "
                                "coordenadas.")
                         .arg(outcome.outsideArea);
    return notes;
}

void ExportTool::finish(const QString &failure, const QString &folder,
                        const LocationExportOutcome &outcome)
{
    trigger->setEnabled(true);
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nExportación de ubicaciones finalizada."));
    if (outcome.stopped)
        dialogs().warning(host.window, tr("Exportación detenida"),
                          tr("La exportación se detuvo a petición del usuario; no se escribió "
                             "ningún archivo."));
    else if (outcome.located == 0)
        dialogs().warning(host.window, tr("Exportación"),
                          tr("Ninguna de las %1 fotos tiene ubicación GPS; no se escribió ningún "
                             "archivo.")
                                          .arg(outcome.total)
                                  + exportNotes(outcome));
    else if (!outcome.written || !failure.isEmpty())
        dialogs().warning(host.window, tr("Exportación"),
                          tr("No se pudieron escribir todos los archivos de ubicaciones; vea el "
                             "log."));
    else
        showEnd(outcome.located < outcome.total || outcome.outsideArea > 0,
                outcome.unreadable > 0 ? tr("Exportación con errores") : tr("Completado"),
                tr("Se exportaron las ubicaciones de %1 de %2 fotos a %3, %4 y %5 en:\n%6")
                                .arg(outcome.located)
                                .arg(outcome.total)
                                .arg(QLatin1String(kmzFileName), QLatin1String(geoJsonFileName),
                                     QLatin1String(csvFileName), QDir::toNativeSeparators(folder))
                        + exportNotes(outcome));
}
