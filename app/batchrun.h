#ifndef BATCHRUN_H
#define BATCHRUN_H

#include "app/backgroundjob.h"
#include "processing/processingoptions.h"

#include <QString>

#include <memory>

// The message of the first input that keeps a run from starting, in the order
// the window checks them; empty when the run may start. `options` is the
// snapshot of the controls, `logoChecked` the state of the logo check box.
QString runInputError(const QString &folder, bool logoChecked, const ProcessingOptions &options);

// The worker of one batch run: a processor of its own over the copied options.
// Why the batch refused to start (BatchOutcome::refusal) goes to `refusal`,
// read at the completion step.
BackgroundJob::Work batchRunWork(const ProcessingOptions &options, const QString &folder,
                                 const std::shared_ptr<QString> &refusal);

#endif // BATCHRUN_H
