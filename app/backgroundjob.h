#ifndef BACKGROUNDJOB_H
#define BACKGROUNDJOB_H

#include "coords/callbacks.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QProgressDialog;
class QWidget;

// One long job of the window: the work runs on the application's global
// thread pool while a window-modal progress dialog shows how far it got. Log
// lines and progress travel back to the window's thread as queued calls, in
// the order the work reported them, and the completion step runs there when
// the work ends.
//
// The job outlives the window on purpose: a window closed mid-job (possible
// once "Cancelar" has hidden the dialog) lets the work run to its end, so no
// file is left half-written, and from then on the job reaches nothing of the
// window. The work must therefore hold copies, never the window.
class BackgroundJob : public QObject
{
    Q_OBJECT
public:
    using Work = std::function<void(const LogCallback &log, const ProgressCallback &progress)>;

    // Shows a dialog labelled `label` on `window`, keeps it in `dialog` (the
    // window's member), and starts `work`. `log` and `finished` run on the
    // window's thread and only while the window exists; the dialog is closed
    // and cleared before `finished`.
    static void start(QWidget *window, QPointer<QProgressDialog> &dialog, const QString &label,
                      Work work, LogCallback log, std::function<void()> finished);

private:
    BackgroundJob(QWidget *window, QPointer<QProgressDialog> &dialog, LogCallback log,
                  std::function<void()> finished);

    void report(std::function<void()> step);
    void complete();

    QPointer<QWidget> window;
    QPointer<QProgressDialog> &dialog; // valid only while `window` exists
    LogCallback log;
    std::function<void()> finished;
    QFutureWatcher<void> watcher;
};

// Moves a job's dialog: the first report fixes the range at 0..total (the
// dialog stays a busy indicator until then, and for a total of 0).
void showJobProgress(QProgressDialog *dialog, int done, int total);

#endif // BACKGROUNDJOB_H
