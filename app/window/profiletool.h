#ifndef PROFILETOOL_H
#define PROFILETOOL_H

#include "app/optiontable.h"
#include "app/window/windowtool.h"

#include <QStringList>

class QComboBox;

// "Cargar perfil...", "Guardar perfil..." and the "Perfiles" list of the
// "&Archivo" menu: profile files written from the window's option table and
// loaded into it.
class ProfileTool : public WindowTool
{
    Q_OBJECT

public:
    // `list` is the menu's list of profiles saved or loaded before.
    ProfileTool(const ToolHost &host, OptionTable &table, QComboBox *list);

    // Loads the profile a listed name or a path stands for; returns the keys
    // whose values were refused.
    QStringList apply(const QString &name);

public slots:
    void save();
    void load();
    void loadListed(const QString &name);

private:
    OptionTable &table;
    QComboBox *list;
};

#endif // PROFILETOOL_H
