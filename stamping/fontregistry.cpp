#include "stamping/fontregistry.h"

#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

// Every registration adds a font to the process for good, so a path is
// registered only the first time it succeeds. Failures are not remembered:
// retrying a missing file adds nothing, and a file fixed later still loads.
bool registerFontFile(const QString &fontPath, QString &family)
{
    static QMutex mutex;
    static QHash<QString, QString> familiesByPath;

    QMutexLocker locker(&mutex);
    const auto known = familiesByPath.constFind(fontPath);
    if (known != familiesByPath.constEnd()) {
        family = known.value();
        return true;
    }
    const int id = QFontDatabase::addApplicationFont(fontPath);
    if (id < 0)
        return false;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    family = families.isEmpty() ? QString() : families.first();
    familiesByPath.insert(fontPath, family);
    return true;
}

QFont stampFont(const QString &family)
{
    if (!family.isEmpty())
        return QFont(family);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
