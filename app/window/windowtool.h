#ifndef WINDOWTOOL_H
#define WINDOWTOOL_H

#include "app/window/backgroundjob.h"
#include "app/window/dialogs.h"
#include "stamping/processingoptions.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class CrsTransform;
class InputsPanel;
class QProgressDialog;
class QWidget;

// What the window lends each of its tools. Every member points into the
// window, which owns the tools and outlives them.
struct ToolHost
{
    QWidget *window = nullptr; // the parent of the tools' boxes and jobs
    const Dialogs *dialogs = nullptr; // the window's, replaced there by tests
    const InputsPanel *inputs = nullptr; // the photo folder and its subfolders
    // The window's pointer to the dialog of its latest job.
    QPointer<QProgressDialog> *progressDialog = nullptr;
    LogCallback log;
    std::function<ProcessingOptions()> options; // the snapshot of the option table
    std::function<void()> reloadPhotos; // the preview lists the folder's photos again
    std::function<void()> refreshPreview; // the preview stamps its photo again
};

// One tool the window starts from a menu entry or a button (the run, the
// sample file, the altitude fill, the location export, the restore, the
// report, profiles): it asks what it needs through the window's dialogs, does
// its work (long work as a job behind a progress dialog) and says how it
// ended. A child of the window.
class WindowTool : public QObject
{
    Q_OBJECT

protected:
    explicit WindowTool(const ToolHost &host);

    const Dialogs &dialogs() const { return *host.dialogs; }
    void log(const QString &line) const;

    // Shows the job's progress dialog and runs `work` on the work pool with
    // `trigger` (a button or a menu action) disabled; `finish` is the
    // completion step on the GUI thread and `cancel`, when given, what
    // "Cancelar" does besides hiding the dialog.
    void startJob(const QString &label, QObject *trigger, const BackgroundJob::Work &work,
                  const BackgroundJob::Completion &finish,
                  const std::function<void()> &cancel = {});
    // The box that ends a job: a warning when anything went other than asked.
    void showEnd(bool warns, const QString &title, const QString &text) const;
    // The system chosen in the window, ready to transform; null for WGS 84 /
    // UTM. False after a critical box when PROJ cannot build it.
    bool chosenCrs(const QString &code, std::shared_ptr<const CrsTransform> &crs) const;
    // The window's photo folder, or empty after a box saying that a valid
    // one is needed before `action`.
    QString photoFolderFor(const QString &action) const;

    const ToolHost host;
};

#endif // WINDOWTOOL_H
