#ifndef FAILUREREASON_H
#define FAILUREREASON_H

#include <QString>

// The line that follows a photo's failure line and says why, in Spanish.
QString reasonLine(const QString &reason);

// Why no new file could be made at `path`: a name longer than the file system
// allows, a missing folder or a file in its place, a folder without write
// permission; otherwise the system's own text in `systemError`.
QString newFileFailureReason(const QString &path, const QString &systemError);

#endif // FAILUREREASON_H
