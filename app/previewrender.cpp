#include "app/previewrender.h"

#include "processing/photoprocessor.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

PreviewRender renderPreview(const QString &photoPath, const ProcessingOptions &options)
{
    QTemporaryDir folder;
    if (!folder.isValid())
        return {PreviewRender::Outcome::NoTemporaryFolder, QImage()};
    // The engine finds its row in the coordinates file by this name.
    const QString copy = folder.filePath(QFileInfo(photoPath).fileName());
    if (!QFile::copy(photoPath, copy))
        return {PreviewRender::Outcome::CopyFailed, QImage()};
    // A read-only photo gives a read-only copy, which the engine must rewrite.
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    PhotoProcessor processor(options);
    processor.renamePhotosWithUTM(
            folder.path(), [](const QString &) {}, [](int, int) {});

    const QImage picture(copy);
    if (picture.isNull())
        return {PreviewRender::Outcome::NotAPicture, QImage()};
    return {PreviewRender::Outcome::Rendered, picture};
}
