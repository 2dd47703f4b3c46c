#ifndef PROFILE_H
#define PROFILE_H

#include <QColor>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;

// A profile is a JSON object of named option values. Each key knows how to
// read its value from the window and how to apply a stored value back; the
// window lists its keys in the order loading applies them.
struct ProfileKey
{
    QString name;
    std::function<QJsonValue()> save;
    // Gets an undefined value when the key is absent from the profile.
    std::function<void(const QJsonValue &value)> load;
};

using ProfileKeys = std::vector<ProfileKey>;

// Keys bound to one control. Loading goes through the control's own setter,
// so its change signals fire and spin boxes clamp and round; a value of the
// wrong JSON type leaves the control as it is.
ProfileKey checkKey(const QString &name, QCheckBox *check);
ProfileKey ratioKey(const QString &name, QDoubleSpinBox *spin);
ProfileKey textKey(const QString &name, QLineEdit *field);
// Selects the item whose text equals the stored text; other texts change nothing.
ProfileKey itemTextKey(const QString &name, QComboBox *combo);
// Stores the current index. A stored number that is no item's index leaves the
// combo without a current item; a value that is not a number selects
// absentIndex.
ProfileKey itemIndexKey(const QString &name, QComboBox *combo, int absentIndex);

// The arrow colour a stored value names; red when it is absent, not a string
// or names no colour, as the compass rose draws an unusable colour red.
QColor arrowColorFromProfile(const QJsonValue &value);
// The text colour a stored value names, kept as written; none when it is not
// a string naming a colour, so the text is never drawn in an unusable colour.
std::optional<QString> textColorFromProfile(const QJsonValue &value);

QJsonObject profileObject(const ProfileKeys &keys);
void applyProfile(const ProfileKeys &keys, const QJsonObject &profile);

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
