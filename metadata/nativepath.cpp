#include "metadata/nativepath.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

QString windowsNativePath(const QString &absolutePath)
{
    QString native = absolutePath;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    // "\\?\" itself begins with two backslashes, so this one test keeps both
    // prefixed and network paths as they are.
    if (!native.startsWith(QLatin1String("\\\\")))
        native.prepend(QLatin1String("\\\\?\\"));
    return native;
}

std::string qPathToNativeStdString(const QString &path)
{
    const QString absolutePath = QFileInfo(path).absoluteFilePath();
    if (absolutePath.isEmpty()) {
        qWarning() << "qPathToNativeStdString: No se pudo obtener la ruta absoluta para:" << path;
        return {};
    }
#ifdef Q_OS_WIN
    const QByteArray bytes = windowsNativePath(absolutePath).toUtf8();
#else
    // Exiv2 hands the bytes straight to open(), which expects the local
    // file-name encoding, not necessarily UTF-8.
    const QByteArray bytes = QFile::encodeName(absolutePath);
#endif
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString nativePathText(const QString &path)
{
    return QString::fromStdString(qPathToNativeStdString(path));
}
