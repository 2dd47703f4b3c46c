#ifndef FREENAME_H
#define FREENAME_H

#include <QDir>
#include <QString>

// "<baseName>.<suffix>" for number 0, else "<baseName> (<number>).<suffix>".
QString numberedFileName(const QString &baseName, const QString &suffix, int number);

// The path in `folder` of the first name not taken (by a file, a folder or a
// link, even a dangling one) among "<baseName>.<suffix>", "<baseName>
// (1).<suffix>", "<baseName> (2).<suffix>", ... The file named `ownName`
// counts as free: a photo named by an earlier run keeps its name.
QString freeFileName(const QDir &folder, const QString &baseName, const QString &suffix,
                     const QString &ownName = {});
inline QString freeJpegName(const QDir &folder, const QString &baseName,
                            const QString &ownName = {})
{
    return freeFileName(folder, baseName, QStringLiteral("jpg"), ownName);
}

// Why `prefix` cannot start a file name, in Spanish: a separator or ".."
// would move the photos out of their folder, a control character (NUL
// above all) would cut or garble the name. Empty when it can.
QString prefixProblem(const QString &prefix);

#endif // FREENAME_H
