#ifndef DESCRIPTIONSDIALOG_H
#define DESCRIPTIONSDIALOG_H

#include "app/window/dialogs.h"
#include "coords/callbacks.h"
#include "geo/crs.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <QString>
#include <QStringList>

class QTableWidget;

// "Descripciones de las fotos": one row per photo of a folder (thumbnail,
// file, date, position in the chosen system, direction) with its description,
// read as the report reads captions and edited in place. "Guardar" writes
// each changed description into its photo's metadata, leaving the picture's
// bytes as they were.
class DescriptionsDialog : public QDialog
{
    Q_OBJECT

public:
    // `crs` null: WGS 84 / UTM. Every save and refusal is a line to `log`.
    DescriptionsDialog(QWidget *parent, const Dialogs &dialogs, const QString &folder,
                       bool includeSubdirectories, const CrsTransform *crs, LogCallback log);
    ~DescriptionsDialog() override;

    // Descriptions typed and not yet saved.
    int unsavedCount() const;

    // Writes the changed descriptions; a photo that cannot be written keeps
    // its edited text and is named in the box that follows.
    void save();

protected:
    void reject() override;

private:
    void fillRows(const QString &folder, bool includeSubdirectories, const CrsTransform *crs);
    void startThumbnails();
    QString descriptionAt(int row) const;

    Dialogs dialogs;
    LogCallback log;
    QTableWidget *table = nullptr;
    QStringList paths; // one per row
    QStringList saved; // the description each photo holds now
    QFutureWatcher<QImage> thumbnails;
};

#endif // DESCRIPTIONSDIALOG_H
