#ifndef PATHFIELD_H
#define PATHFIELD_H

#include <QString>

class QLineEdit;

// The file a path typed (or pasted) into a file field names: the path itself
// when it is a readable file, or, for a name alone, the file of that name in
// `photoFolder`. Empty, with `problem` saying why, when it names none.
QString typedFilePath(const QString &typed, const QString &photoFolder, QString &problem);

// Marks `field` red with `problem` as its tool tip; an empty problem clears
// the mark.
void markFieldProblem(QLineEdit *field, const QString &problem);

#endif // PATHFIELD_H
