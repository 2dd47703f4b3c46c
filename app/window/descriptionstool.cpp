#include "app/window/descriptionstool.h"

#include "app/window/descriptionsdialog.h"
#include "app/window/inputspanel.h"
#include "geo/crs.h"

DescriptionsTool::DescriptionsTool(const ToolHost &host)
    : WindowTool(host)
{ }

void DescriptionsTool::start()
{
    const QString folder = photoFolderFor(tr("editar las descripciones"));
    std::shared_ptr<const CrsTransform> crs;
    if (folder.isEmpty() || !chosenCrs(host.options().outputCrs, crs))
        return;
    DescriptionsDialog dialog(host.window, dialogs(), folder, host.inputs->includesSubfolders(),
                              crs.get(), host.log);
    dialogs().run(dialog);
    host.refreshPreview();
}
