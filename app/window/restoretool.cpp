#include "app/window/restoretool.h"

#include "app/window/inputspanel.h"
#include "processing/photorestore.h"

#include <QAction>
#include <QApplication>

RestoreTool::RestoreTool(const ToolHost &host, QAction *trigger)
    : WindowTool(host)
    , trigger(trigger)
{ }

// Reads the markers on the GUI thread, so the question can say what will
// happen; the restore itself runs as a job.
void RestoreTool::start()
{
    const QString folder = dialogs().existingDirectory(
            host.window, tr("Seleccionar Carpeta para Restaurar Originales"));
    if (folder.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto plan
            = std::make_shared<RestorePlan>(planRestore(folder, host.inputs->includesSubfolders()));
    QApplication::restoreOverrideCursor();
    const QString title = tr("Restaurar originales");
    if (plan->items.isEmpty()) {
        dialogs().information(host.window, title,
                              restorePlanText(*plan) + tr("\nNo hay nada que restaurar."));
        return;
    }
    if (!dialogs().confirm(host.window, title, restorePlanText(*plan) + tr("\n¿Desea continuar?")))
        return;
    log(tr("Restaurando originales desde Backup en: ") + folder);
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<RestoreOutcome>();
    startJob(
            tr("Restaurando originales..."), trigger,
            [folder, plan, stop, outcome](const LogCallback &jobLog,
                                          const ProgressCallback &progress) {
                *outcome = restoreOriginals(folder, *plan, jobLog, progress, stop.get());
            },
            [this, outcome](const QString &failure) { finish(failure, *outcome); },
            [stop] { *stop = true; });
}

void RestoreTool::finish(const QString &failure, const RestoreOutcome &outcome)
{
    trigger->setEnabled(true);
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nRestauración finalizada."));
    const QString title = tr("Restaurar originales");
    if (!outcome.refusal.isEmpty())
        dialogs().critical(host.window, tr("Error"), outcome.refusal);
    else if (outcome.stopped)
        dialogs().warning(host.window, title,
                          tr("La restauración se detuvo a petición del usuario: se restauraron "
                             "%1 fotos.")
                                  .arg(outcome.restored));
    else if (outcome.notRestored > 0 || !failure.isEmpty())
        dialogs().warning(host.window, title,
                          tr("Se restauraron %1 fotos; %2 no se pudieron restaurar (vea el log).")
                                  .arg(outcome.restored)
                                  .arg(outcome.notRestored));
    else
        dialogs().information(host.window, title,
                              tr("Se restauraron %1 fotos.").arg(outcome.restored));
    host.reloadPhotos();
}
