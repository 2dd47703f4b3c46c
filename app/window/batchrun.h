#ifndef BATCHRUN_H
#define BATCHRUN_H

#include "app/window/backgroundjob.h"
#include "app/window/windowtool.h"
#include "processing/photoprocessor.h"
#include "stamping/processingoptions.h"

#include <QString>

#include <atomic>
#include <memory>

class GeneralTab;
class LogoTab;
class QPushButton;

// The message of the first input that keeps a run from starting, in the order
// the window checks them; empty when the run may start. `options` is the
// snapshot of the controls, `logoChecked` the state of the logo check box.
QString runInputError(const QString &folder, bool logoChecked, const ProcessingOptions &options);
// The message among those when the logo is checked and names no file.
QString missingLogoError();

// What the window and the worker of one batch run share: the stop request of
// "Cancelar", and the outcome, read at the completion step.
struct BatchRunState
{
    std::atomic<bool> stop {false};
    BatchOutcome outcome;
};

// The worker of one batch run: a processor of its own over the copied options.
BackgroundJob::Work batchRunWork(const ProcessingOptions &options, const QString &folder,
                                 const std::shared_ptr<BatchRunState> &state);

// "Iniciar Proceso": checks the inputs, then runs the batch as a job and
// ends it with the batch's summary in the log and in a box.
class BatchRunTool : public WindowTool
{
    Q_OBJECT

public:
    // `startButton` is disabled while the batch works.
    // `logoTab` shows itself when the run wants a logo.
    BatchRunTool(const ToolHost &host, const GeneralTab &generalTab, LogoTab &logoTab,
                 QPushButton *startButton);

public slots:
    void start();

private:
    void finish(const QString &failure, const BatchOutcome &outcome);

    const GeneralTab &generalTab;
    LogoTab &logoTab;
    QPushButton *startButton;
};

#endif // BATCHRUN_H
