#include "processing/photoplacement.h"

#include "files/atomicfile.h"
#include "files/freename.h"
#include "files/photocollection.h"
#include "processing/failurereason.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

// Gives up on a backup name that keeps being taken by others.
static constexpr int maxBackupNameAttempts = 10000;
// Gives up on an output copy's name that keeps being taken by others.
static constexpr int maxCopyNameAttempts = 1000;

QString relativeFolder(const QString &batchFolder, const QString &photoPath)
{
    const auto relative = QDir(batchFolder).relativeFilePath(QFileInfo(photoPath).absolutePath());
    return relative.isEmpty() ? QStringLiteral(".") : relative;
}

QString backupFileName(const QString &photoFileName, int counter)
{
    const QFileInfo info(photoFileName);
    if (counter == 0)
        return QStringLiteral("%1_backup.%2").arg(info.baseName(), info.suffix());
    return QStringLiteral("%1_backup(%2).%3")
            .arg(info.baseName(), QString::number(counter), info.suffix());
}

// Also catches an output folder that reaches the batch folder through
// another spelling or a symbolic link.
static bool isSameFile(const QString &photoPath, const QString &destination)
{
    const QFileInfo photo(photoPath);
    const QFileInfo copy(destination);
    if (photo.absoluteFilePath() == copy.absoluteFilePath())
        return true;
    return copy.exists() && photo.canonicalFilePath() == copy.canonicalFilePath();
}

QString outputPathFor(const QString &batchFolder, const QString &outputFolder,
                      const QString &photoPath, QStringList &lines)
{
    const auto relative = relativeFolder(batchFolder, photoPath);
    const auto folder = QDir::cleanPath(QDir(outputFolder).filePath(relative));
    if (!QDir(outputFolder).mkpath(relative) || !QFileInfo(folder).isDir()) {
        lines << QStringLiteral("Error: No se pudo crear la estructura de directorios de salida: ")
                        + folder;
        return {};
    }
    const auto destination = QDir(folder).filePath(QFileInfo(photoPath).fileName());
    if (isSameFile(photoPath, destination)) {
        lines << QStringLiteral("Omitiendo archivo, la ruta de origen y destino son la misma.");
        return {};
    }
    return destination;
}

bool placeInOutputFolder(const QString &batchFolder, const QString &outputFolder,
                         const QString &photoPath, const PhotoFile &photo, QString &workFile,
                         QStringList &lines)
{
    const auto destination = outputPathFor(batchFolder, outputFolder, photoPath, lines);
    if (destination.isEmpty())
        return false;
    // Another batch's photo, or an earlier copy, may hold the name: the copy
    // takes the next free name and never replaces it.
    const QFileInfo name(photoPath);
    const QDir folder = QFileInfo(destination).absoluteDir();
    QString reason = QStringLiteral("otras fotos ocupan todos los nombres posibles.");
    for (int attempt = 0; attempt < maxCopyNameAttempts; ++attempt) {
        const auto candidate = freeFileName(folder, name.completeBaseName(), name.suffix());
        QString error;
        if (writeFileToNewName(candidate, photo.bytes(), photo.permissions(), error)) {
            workFile = candidate;
            lines << QStringLiteral("Copiado a la carpeta de salida: ") + candidate;
            return true;
        }
        if (!isNameTaken(candidate)) {
            reason = newFileFailureReason(candidate, error);
            break;
        }
    }
    lines << QStringLiteral("Error: No se pudo copiar el archivo a la carpeta de salida: ")
                    + destination
          << reasonLine(reason);
    return false;
}

// Puts the photo under the first free backup name with `store`, which fails
// on a name taken meanwhile.
static bool storeInBackup(const QString &batchFolder, const QString &photoPath, QString &backupPath,
                          QStringList &lines,
                          const std::function<bool(const QString &path, QString &error)> &store)
{
    const auto relative = relativeFolder(batchFolder, photoPath);
    const QDir root(QDir(batchFolder).filePath(QLatin1String(backupFolderName)));
    const bool inRoot = relative == QLatin1String(".");
    const auto fileName = QFileInfo(photoPath).fileName();
    root.mkpath(inRoot ? QStringLiteral(".") : relative);
    QString reason = QStringLiteral("todos los nombres de copia de seguridad están ocupados.");
    for (int counter = 0; counter < maxBackupNameAttempts; ++counter) {
        const auto name = backupFileName(fileName, counter);
        const auto path = root.filePath(inRoot ? name : relative + QLatin1Char('/') + name);
        if (isNameTaken(path))
            continue;
        QString error;
        if (store(path, error)) {
            lines << QStringLiteral("Backup creado: ") + path;
            backupPath = path;
            return true;
        }
        // Another photo took the name between the test and the copy.
        if (!isNameTaken(path)) {
            reason = newFileFailureReason(path, error);
            break;
        }
    }
    lines << QStringLiteral("Error creando backup de ") + fileName << reasonLine(reason);
    return false;
}

bool backUpPhoto(const QString &batchFolder, const QString &photoPath, const PhotoFile &photo,
                 QString &backupPath, QStringList &lines)
{
    return storeInBackup(batchFolder, photoPath, backupPath, lines,
                         [&photo](const QString &path, QString &error) {
                             return writeFileToNewName(path, photo.bytes(), photo.permissions(),
                                                       error);
                         });
}

bool moveToBackup(const QString &batchFolder, const QString &photoPath, QString &backupPath,
                  QStringList &lines)
{
    return storeInBackup(batchFolder, photoPath, backupPath, lines,
                         [&photoPath](const QString &path, QString &error) {
                             return moveFileToNewName(photoPath, path, error);
                         });
}
