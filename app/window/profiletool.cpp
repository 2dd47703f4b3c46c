#include "app/window/profiletool.h"

#include "app/profile.h"

#include <QMainWindow>
#include <QStatusBar>

ProfileTool::ProfileTool(const ToolHost &host, OptionTable &table, QComboBox *list)
    : WindowTool(host)
    , table(table)
    , list(list)
{ }

void ProfileTool::save()
{
    // The load dialog shows only the .json files.
    const QString path = withSuffix(
            dialogs().saveFileName(host.window, tr("Guardar Perfil"), tr("Perfiles (*.json)")),
            QStringLiteral("json"));
    if (path.isEmpty())
        return;
    QString reason;
    if (!writeProfile(path, profileObject(table), reason)) {
        log(tr("Error: No se pudo guardar el perfil en %1: %2").arg(path, reason));
        return;
    }
    rememberProfile(list, path);
}

void ProfileTool::load()
{
    const QString path
            = dialogs().openFileName(host.window, tr("Cargar Perfil"), tr("Perfiles (*.json)"));
    if (!path.isEmpty())
        loadListed(path);
}

void ProfileTool::loadListed(const QString &name)
{
    const QStringList refused = apply(name);
    if (!refused.isEmpty())
        dialogs().warning(host.window, tr("Perfil"),
                          tr("El perfil tiene valores que no se pueden usar; estas opciones "
                             "conservan su valor: %1")
                                  .arg(refused.join(QStringLiteral(", "))));
}

// Said in the log and the status bar: the options change all at once.
QStringList ProfileTool::apply(const QString &name)
{
    const QString path = profilePath(list, name);
    const std::optional<QJsonObject> profile = readProfile(path);
    const QString message = profile ? tr("Perfil «%1» cargado.").arg(profileName(path))
                                    : tr("No se pudo leer el perfil %1.").arg(path);
    log(message);
    if (auto *mainWindow = qobject_cast<QMainWindow *>(host.window))
        mainWindow->statusBar()->showMessage(message, 10000);
    if (!profile)
        return {};
    const QStringList refused = applyProfile(table, *profile);
    host.refreshPreview();
    return refused;
}
