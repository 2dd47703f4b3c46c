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

// One long job of the window: a window-modal progress dialog while a pool
// thread does the work, log lines and progress carried to the GUI thread as
// queued calls on the window, and a completion step on the GUI thread.
//
// The job is a child of the window and deletes itself after its completion.
// Destroying it earlier waits for the work, so the work never outlives the
// window its callbacks point at.
class BackgroundJob : public QObject
{
    Q_OBJECT

public:
    // Runs on a pool thread; owns copies of everything it reads.
    using Work = std::function<void(const LogCallback &log, const ProgressCallback &progress)>;
    // Runs on the GUI thread after the dialog has been closed. `failure` holds
    // the text of an exception that ended the work, empty after a normal end.
    using Completion = std::function<void(const QString &failure)>;

    struct Setup
    {
        QWidget *window = nullptr;
        // The window's pointer to the dialog of its latest job: set when a job
        // starts, cleared at that job's completion.
        QPointer<QProgressDialog> *dialogSlot = nullptr;
        QString label;
        // Appends one line to the window's log; called on the GUI thread only.
        std::function<void(const QString &line)> appendLog;
        Completion completion;
        // Called on the GUI thread when "Cancelar" is pressed; when empty the
        // button only hides the dialog and the work runs to its end.
        std::function<void()> cancel;
    };

    // Shows the dialog and starts `work` on the work pool. When the
    // worker cannot be started, closes the dialog again, sets `error` and
    // returns null; nothing else is done then.
    static BackgroundJob *start(const Setup &setup, const Work &work, QString &error);

    // Whether a job started on `window` has not yet reached its completion.
    static bool isRunningOn(const QWidget *window);

    ~BackgroundJob() override;

private:
    explicit BackgroundJob(const Setup &setup);

    LogCallback queuedLog() const;
    ProgressCallback queuedProgress() const;
    void complete();
    void closeDialog();

    Setup setup;
    QPointer<QProgressDialog> dialog; // this job's own, until its completion
    QFutureWatcher<QString> watcher; // the failure text, empty on success
    bool completed = false;
};

#endif // BACKGROUNDJOB_H
