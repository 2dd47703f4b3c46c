#include "app/backgroundjob.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QtConcurrent>

static QProgressDialog *openProgressDialog(QWidget *window, const QString &label)
{
    auto *dialog = new QProgressDialog(
            label, QCoreApplication::translate("BackgroundJob", "Cancelar"), 0, 0, window);
    dialog->setWindowModality(Qt::WindowModal);
    // The job decides when it is over; reaching the maximum does not.
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->show();
    return dialog;
}

void showJobProgress(QProgressDialog *dialog, int done, int total)
{
    if (dialog->maximum() == 0)
        dialog->setRange(0, total);
    dialog->setValue(done);
}

BackgroundJob::BackgroundJob(QWidget *window, QPointer<QProgressDialog> &dialog, LogCallback log,
                             std::function<void()> finished)
    : window(window)
    , dialog(dialog)
    , log(std::move(log))
    , finished(std::move(finished))
{
    connect(&watcher, &QFutureWatcher<void>::finished, this, &BackgroundJob::complete);
}

void BackgroundJob::start(QWidget *window, QPointer<QProgressDialog> &dialog, const QString &label,
                          Work work, LogCallback log, std::function<void()> finished)
{
    dialog = openProgressDialog(window, label);
    // Lets the dialog paint before the work begins.
    QCoreApplication::processEvents();

    // Parentless, so that it outlives a closed window until the work ends;
    // the worker's calls are posted to it, never to the window.
    auto *job = new BackgroundJob(window, dialog, std::move(log), std::move(finished));
    const LogCallback workLog = [job](const QString &line) {
        job->report([job, line] { job->log(line); });
    };
    const ProgressCallback workProgress = [job](int done, int total) {
        job->report([job, done, total] {
            if (job->dialog)
                showJobProgress(job->dialog, done, total);
        });
    };
    job->watcher.setFuture(QtConcurrent::run(
            [work = std::move(work), workLog, workProgress] { work(workLog, workProgress); }));
}

void BackgroundJob::report(std::function<void()> step)
{
    QMetaObject::invokeMethod(
            this,
            [this, step = std::move(step)] {
                if (window)
                    step();
            },
            Qt::QueuedConnection);
}

void BackgroundJob::complete()
{
    if (window) {
        // The dialog stored now may be another job's, started after "Cancelar"
        // hid this one's: whichever job ends first closes it.
        if (dialog) {
            dialog->close();
            dialog->deleteLater();
            dialog = nullptr;
        }
        finished();
    }
    deleteLater();
}
