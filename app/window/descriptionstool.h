#ifndef DESCRIPTIONSTOOL_H
#define DESCRIPTIONSTOOL_H

#include "app/window/windowtool.h"

// "Descripciones de las fotos..." of the "&Herramientas" menu: the table of
// the window's photo folder in the chosen coordinate system; the preview is
// stamped again afterwards, since it may draw the descriptions.
class DescriptionsTool : public WindowTool
{
    Q_OBJECT

public:
    explicit DescriptionsTool(const ToolHost &host);

public slots:
    void start();
};

#endif // DESCRIPTIONSTOOL_H
