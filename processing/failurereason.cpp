#include "processing/failurereason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// The longest file name, in bytes, that common file systems accept.
static constexpr qsizetype maxNameBytes = 255;

QString reasonLine(const QString &reason)
{
    return QStringLiteral("Motivo: ") + reason;
}

QString newFileFailureReason(const QString &path, const QString &systemError)
{
    const QFileInfo file(path);
    const qsizetype nameBytes = QFile::encodeName(file.fileName()).size();
    if (nameBytes > maxNameBytes)
        return QStringLiteral("el nombre nuevo tiene %1 bytes y el sistema de archivos admite "
                              "hasta %2.")
                .arg(QString::number(nameBytes), QString::number(maxNameBytes));
    const QFileInfo folder(file.absolutePath());
    const QString folderText = QDir::toNativeSeparators(folder.absoluteFilePath());
    if (folder.exists() && !folder.isDir())
        return QStringLiteral("hay un archivo donde debería estar la carpeta %1.").arg(folderText);
    if (!folder.exists())
        return QStringLiteral("la carpeta %1 no existe.").arg(folderText);
    if (!folder.isWritable())
        return QStringLiteral("no hay permiso para escribir en la carpeta %1.").arg(folderText);
    return QStringLiteral("el sistema respondió: ") + systemError;
}
