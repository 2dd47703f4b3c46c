#include "app/window/backgroundjob.h"

#include "processing/workpool.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QStyle>
#include <QThreadPool>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <exception>

static constexpr int minimumJobDialogWidth = 360; // pixels

static QString exceptionText(const std::exception &exception)
{
    const QString text = QString::fromLocal8Bit(exception.what());
    return text.isEmpty() ? QStringLiteral("error desconocido") : text;
}

// An exception ends the work but never crosses into the GUI thread: it
// becomes the failure text handed to the completion step.
static QString runCatching(const BackgroundJob::Work &work, const LogCallback &log,
                           const ProgressCallback &progress)
{
    try {
        work(log, progress);
        return QString();
    } catch (const std::exception &exception) {
        return exceptionText(exception);
    } catch (...) {
        return QStringLiteral("error desconocido");
    }
}

// Titled after the job: its label without the closing dots.
static QString jobTitle(QString label)
{
    while (label.endsWith(QLatin1Char('.')) || label.endsWith(QChar(0x2026)))
        label.chop(1);
    return label;
}

// Wide enough for the title beside the window manager's buttons, and for the
// bar with its percentage; Qt's own minimum is 200 pixels.
static void fitToTitle(QProgressDialog &dialog)
{
    const int titleBarButtons = 3 * dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int titleWidth = dialog.fontMetrics().horizontalAdvance(dialog.windowTitle());
    dialog.setMinimumWidth(std::max(
            {dialog.sizeHint().width(), titleWidth + titleBarButtons, minimumJobDialogWidth}));
}

BackgroundJob::BackgroundJob(const Setup &setup)
    : QObject(setup.window)
    , setup(setup)
{ }

BackgroundJob::~BackgroundJob()
{
    // Work that has not started yet never will: it would only reach a window
    // that is going away. Work under way is waited for.
    watcher.cancel();
    watcher.waitForFinished();
}

BackgroundJob *BackgroundJob::start(const Setup &setup, const Work &work, QString &error)
{
    auto *job = new BackgroundJob(setup);
    auto *dialog = new QProgressDialog(setup.label, tr("Cancelar"), 0, 0, setup.window);
    dialog->setWindowTitle(jobTitle(setup.label));
    fitToTitle(*dialog);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoClose(false);
    // A full bar until completion: the batch still writes its log after the last photo.
    dialog->setAutoReset(false);
    if (setup.cancel)
        connect(dialog, &QProgressDialog::canceled, job, setup.cancel);
    dialog->show();
    job->dialog = dialog;
    *setup.dialogSlot = dialog;
    // Lets the dialog paint before the work takes the machine.
    QCoreApplication::processEvents();
    try {
        const LogCallback log = job->queuedLog();
        const ProgressCallback progress = job->queuedProgress();
        connect(&job->watcher, &QFutureWatcherBase::finished, job, &BackgroundJob::complete);
        job->watcher.setFuture(QtConcurrent::run(
                workPool(), [work, log, progress] { return runCatching(work, log, progress); }));
        return job;
    } catch (const std::exception &exception) {
        error = exceptionText(exception);
    }
    job->closeDialog();
    delete job;
    return nullptr;
}

bool BackgroundJob::isRunningOn(const QWidget *window)
{
    const auto jobs = window->findChildren<BackgroundJob *>(Qt::FindDirectChildrenOnly);
    return std::any_of(jobs.cbegin(), jobs.cend(),
                       [](const BackgroundJob *job) { return !job->completed; });
}

LogCallback BackgroundJob::queuedLog() const
{
    QWidget *window = setup.window;
    const auto appendLog = setup.appendLog;
    return [window, appendLog](const QString &line) {
        QMetaObject::invokeMethod(
                window, [appendLog, line] { appendLog(line); }, Qt::QueuedConnection);
    };
}

ProgressCallback BackgroundJob::queuedProgress() const
{
    QWidget *window = setup.window;
    // Only this job's own dialog: after "Cancelar" another job may show its
    // dialog in the window, and must not show this job's progress.
    const QPointer<QProgressDialog> ownDialog = dialog;
    return [window, ownDialog](int done, int total) {
        QMetaObject::invokeMethod(
                window,
                [ownDialog, done, total] {
                    QProgressDialog *dialog = ownDialog;
                    // Moving a cancelled dialog on would show it again.
                    if (!dialog || dialog->wasCanceled())
                        return;
                    // The first report fixes the range; until then the dialog is busy.
                    if (dialog->maximum() == 0)
                        dialog->setRange(0, total);
                    dialog->setValue(done);
                },
                Qt::QueuedConnection);
    };
}

void BackgroundJob::complete()
{
    completed = true;
    closeDialog();
    setup.completion(watcher.result());
    deleteLater();
}

// Closes this job's dialog only; a dialog another job showed since stays.
void BackgroundJob::closeDialog()
{
    if (!dialog)
        return;
    if (*setup.dialogSlot == dialog)
        *setup.dialogSlot = nullptr;
    dialog->close();
    dialog->deleteLater();
    dialog = nullptr;
}
