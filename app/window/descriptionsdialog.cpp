#include "app/window/descriptionsdialog.h"

#include "app/window/widgetparts.h"
#include "exports/locationexport.h"
#include "files/photocollection.h"
#include "image/photoloader.h"
#include "metadata/exifreader.h"
#include "metadata/metadatacopy.h"
#include "metadata/photocaption.h"
#include "metadata/photodescription.h"
#include "processing/workpool.h"
#include "report/photoreport.h"
#include "stamping/stamptext.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentMap>

static constexpr int thumbnailSide = 96; // pixels
enum Column {
    PictureColumn,
    NameColumn,
    DateColumn,
    PositionColumn,
    DirectionColumn,
    DescriptionColumn
};

static QTableWidgetItem *fixedItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

static QString positionHeader(const CrsTransform *crs)
{
    return crs ? QObject::tr("Posición (%1)").arg(crs->shortName())
               : QObject::tr("Posición (WGS 84 / UTM)");
}

DescriptionsDialog::DescriptionsDialog(QWidget *parent, const Dialogs &dialogs,
                                       const QString &folder, bool includeSubdirectories,
                                       const CrsTransform *crs, LogCallback log)
    : QDialog(parent)
    , dialogs(dialogs)
    , log(std::move(log))
{
    setObjectName(QStringLiteral("descriptionsDialog"));
    setWindowTitle(tr("Descripciones de las fotos"));
    auto *layout = new QVBoxLayout(this);
    auto *hint = new QLabel(tr("Escriba la descripción de cada foto. «Guardar» la escribe en los "
                               "metadatos de la foto (XMP, IPTC y EXIF) sin tocar la imagen; el "
                               "registro fotográfico y la estampa la toman de allí."));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    table = named(new QTableWidget(0, 6), "descriptionsTable");
    table->setHorizontalHeaderLabels({tr("Foto"), tr("Archivo"), tr("Fecha y hora"),
                                      positionHeader(crs), tr("Orientación"), tr("Descripción")});
    table->setIconSize(QSize(thumbnailSide, thumbnailSide));
    table->verticalHeader()->setDefaultSectionSize(thumbnailSide + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::AllEditTriggers);
    layout->addWidget(table);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Save)->setText(tr("Guardar"));
    buttons->button(QDialogButtonBox::Save)
            ->setObjectName(QStringLiteral("saveDescriptionsButton"));
    buttons->button(QDialogButtonBox::Close)->setText(tr("Cerrar"));
    connect(buttons->button(QDialogButtonBox::Save), &QPushButton::clicked, this,
            &DescriptionsDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &DescriptionsDialog::reject);
    layout->addWidget(buttons);

    fillRows(QDir(folder).absolutePath(), includeSubdirectories, crs);
    table->resizeColumnsToContents();
    table->setColumnWidth(PictureColumn, thumbnailSide + 8);
    resize(1000, 600);
    startThumbnails();
}

// The decoding still under way is only waited for, never used.
DescriptionsDialog::~DescriptionsDialog()
{
    thumbnails.cancel();
    thumbnails.waitForFinished();
}

// The same readings as the report's: GPS position in the chosen system,
// capture time, direction, caption.
void DescriptionsDialog::fillRows(const QString &folder, bool includeSubdirectories,
                                  const CrsTransform *crs)
{
    // Altitudes off the Earth are the report's and the batch's to report.
    const LogCallback quiet = [](const QString &) {
    };
    const QString unknown = QStringLiteral("—");
    for (const QString &path : collectPhotos(folder, includeSubdirectories)) {
        // One read of the photo for its position, time and caption.
        PhotoMetadata metadata;
        QString error;
        copyMetadata(path, metadata, error);
        LocationRecord record;
        const bool located = readPhotoLocation(path, metadata.exif, folder, crs, record, quiet);
        if (!located)
            readCaptureDateTime(metadata.exif, record.dateTime);
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, PictureColumn, fixedItem(QString()));
        table->setItem(row, NameColumn, fixedItem(QDir(folder).relativeFilePath(path)));
        table->setItem(
                row, DateColumn,
                fixedItem(record.dateTime.isValid() ? dateText(record.dateTime, true) : unknown));
        table->setItem(row, PositionColumn,
                       fixedItem(located ? reportCoordinatesText(record.position, crs)
                                         : tr("Sin ubicación")));
        const auto &direction = record.position.orientation;
        table->setItem(row, DirectionColumn,
                       fixedItem(located && direction ? orientationText(*direction) : unknown));
        const QString caption = readPhotoCaption(metadata);
        auto *description = new QTableWidgetItem(caption);
        if (isHeifName(path)) {
            description->setFlags(description->flags() & ~Qt::ItemIsEditable);
            description->setToolTip(tr("Las fotos HEIF/HEIC solo se leen: su descripción no se "
                                       "puede escribir."));
        }
        table->setItem(row, DescriptionColumn, description);
        paths << path;
        saved << caption;
    }
}

void DescriptionsDialog::startThumbnails()
{
    connect(&thumbnails, &QFutureWatcher<QImage>::resultReadyAt, this, [this](int index) {
        const QImage picture = thumbnails.resultAt(index);
        if (!picture.isNull())
            table->item(index, PictureColumn)->setIcon(QIcon(QPixmap::fromImage(picture)));
    });
    thumbnails.setFuture(QtConcurrent::mapped(workPool(), paths, [](const QString &path) {
        return loadPhotoReduced(path, QSize(thumbnailSide, thumbnailSide)).picture;
    }));
}

QString DescriptionsDialog::descriptionAt(int row) const
{
    return table->item(row, DescriptionColumn)->text().trimmed();
}

int DescriptionsDialog::unsavedCount() const
{
    int count = 0;
    for (int row = 0; row < table->rowCount(); ++row)
        count += descriptionAt(row) != saved.at(row);
    return count;
}

void DescriptionsDialog::save()
{
    int written = 0;
    QStringList refused;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString text = descriptionAt(row);
        if (text == saved.at(row))
            continue;
        const QString name = QFileInfo(paths.at(row)).fileName();
        QString reason;
        if (writePhotoDescription(paths.at(row), text, reason)) {
            saved[row] = text;
            ++written;
            log(tr("Descripción guardada en %1").arg(name));
        } else {
            refused << tr("%1: %2").arg(name, reason);
            log(tr("No se guardó la descripción de %1: %2").arg(name, reason));
        }
    }
    if (!refused.isEmpty())
        dialogs.warning(this, tr("Descripciones"),
                        tr("Se guardaron %1 descripciones; no se pudieron guardar:\n%2")
                                .arg(written)
                                .arg(refused.join(QLatin1Char('\n'))));
    else
        dialogs.information(this, tr("Descripciones"),
                            tr("Se guardaron %1 descripciones.").arg(written));
}

// Closing with typed descriptions asks first, so none is lost unnoticed.
void DescriptionsDialog::reject()
{
    const int unsaved = unsavedCount();
    if (unsaved > 0
        && !dialogs.confirm(
                this, tr("Descripciones"),
                tr("Quedan descripciones sin guardar: %1. ¿Cerrar sin guardarlas?").arg(unsaved)))
        return;
    QDialog::reject();
}
