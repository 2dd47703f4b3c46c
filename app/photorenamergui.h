#ifndef PHOTORENAMERGUI_H
#define PHOTORENAMERGUI_H

#include <QMainWindow>

// The program's single main window.
class PhotoRenamerGUI : public QMainWindow
{
    Q_OBJECT

public:
    explicit PhotoRenamerGUI(QWidget *parent = nullptr);
};

#endif // PHOTORENAMERGUI_H
