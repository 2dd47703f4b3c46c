#ifndef PROFILE_H
#define PROFILE_H

#include <QColor>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

class QComboBox;

// A profile is a JSON object of named option values; the window's option
// table (optiontable.h) names the keys and reads and applies them.

// The arrow colour a stored value names; red when it is absent, not a string
// or names no colour, as the compass rose draws an unusable colour red.
QColor arrowColorFromProfile(const QJsonValue &value);
// The text colour a stored value names, kept as written; none when it is not
// a string naming a colour, so the text is never drawn in an unusable colour.
std::optional<QString> textColorFromProfile(const QJsonValue &value);

// The name the profile list shows: the file name up to its first dot.
QString profileName(const QString &path);

// Enters a saved profile in the profile list: a new name is appended with the
// path as its user data, a listed name only takes the new path.
void rememberProfile(QComboBox *list, const QString &path);
// The file a listed name stands for; a name not in the list is itself a path.
QString profilePath(const QComboBox *list, const QString &name);

// Writes the profile as indented UTF-8 JSON through a temporary file that
// replaces the target only once complete, so a failed save leaves an older
// profile intact. On failure returns false and sets reason.
bool writeProfile(const QString &path, const QJsonObject &profile, QString &reason);
// The object a file holds; none when it cannot be read or holds no JSON object.
std::optional<QJsonObject> readProfile(const QString &path);

#endif // PROFILE_H
