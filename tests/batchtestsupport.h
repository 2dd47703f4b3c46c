#ifndef BATCHTESTSUPPORT_H
#define BATCHTESTSUPPORT_H

#include "processing/processingoptions.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Runs batches and inspects their results for the engine's tests.
struct BatchResult
{
    QStringList log;
    QList<QPair<int, int>> progress;
};

BatchResult runBatch(const QString &folder, const ProcessingOptions &options);

// The lines of one photo's group, from its "\nProcesando: " line on.
QStringList logGroup(const QStringList &log, const QString &fileName);

QByteArray fileBytes(const QString &path);

// Names of the regular files directly in `folder`, sorted.
QStringList fileNames(const QString &folder);

#endif // BATCHTESTSUPPORT_H
