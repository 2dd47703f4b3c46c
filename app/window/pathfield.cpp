#include "app/window/pathfield.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

static QString tr(const char *text)
{
    return QCoreApplication::translate("PathField", text);
}

QString typedFilePath(const QString &typed, const QString &photoFolder, QString &problem)
{
    QString path = QDir::fromNativeSeparators(typed);
    if (path.startsWith(QLatin1String("~/")))
        path = QDir::home().filePath(path.mid(2));
    // Never the working directory: users do not know which one it is.
    const bool relative = QFileInfo(path).isRelative();
    const QFileInfo file(relative ? QDir(photoFolder).filePath(path) : path);
    if (relative && !QFileInfo(photoFolder).isDir())
        problem = tr("«%1» no es una ruta completa y no hay carpeta de fotos donde buscarlo.")
                          .arg(typed);
    else if (!file.exists())
        problem = relative ? tr("No existe el archivo «%1» en la carpeta de fotos.").arg(typed)
                           : tr("No existe el archivo «%1».").arg(typed);
    else if (!file.isFile())
        problem = tr("«%1» es una carpeta, no un archivo.").arg(typed);
    else if (!file.isReadable())
        problem = tr("No se puede leer el archivo «%1».").arg(typed);
    else
        return file.absoluteFilePath();
    return QString();
}

void markFieldProblem(QLineEdit *field, const QString &problem)
{
    field->setToolTip(problem);
    field->setStyleSheet(problem.isEmpty()
                                 ? QString()
                                 : QStringLiteral("QLineEdit { border: 1px solid #b00020; "
                                                  "color: #b00020; }"));
}
