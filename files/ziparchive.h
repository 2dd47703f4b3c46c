#ifndef ZIPARCHIVE_H
#define ZIPARCHIVE_H

#include <QByteArray>
#include <QString>
#include <QVector>

// One file of a ZIP archive. JPEG and PNG data are stored as they are, since
// they do not shrink; everything else is deflated.
struct ZipEntry
{
    QString name; // '/' separated, UTF-8 in the archive
    QByteArray bytes;
    bool compress = true;
};

// The archive of `entries` in their order, built in memory so that it reaches
// the disk through the same complete-or-nothing write as every other file.
// False with `error` set when libzip cannot build it.
bool buildZip(const QVector<ZipEntry> &entries, QByteArray &archive, QString &error);

#endif // ZIPARCHIVE_H
