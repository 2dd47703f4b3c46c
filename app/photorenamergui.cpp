#include "app/photorenamergui.h"

PhotoRenamerGUI::PhotoRenamerGUI(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(
            QStringLiteral("Rumbario: Renombrador/Incrustador de coordenadas UTM en fotografías"));
    resize(1280, 800);
}
