#ifndef INPUTSPANEL_H
#define INPUTSPANEL_H

#include "app/optiontable.h"

#include <QGroupBox>
#include <QString>

#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
struct Dialogs;

// "Archivos de Entrada": the photo folder, whether its subfolders count, and
// the logo and font files. The file fields show file names only; the full
// paths are kept here for runs and profiles. A path typed or pasted into a
// file field counts as chosen when it names a readable file (a name alone is
// looked for in the photo folder); one that names none marks the field red.
class InputsPanel : public QGroupBox
{
    Q_OBJECT

public:
    InputsPanel(const Dialogs &dialogs, const QString &fontPath);

    const OptionTable &optionRows() const { return rows; }

    QString folder() const;
    // Sets "Carpeta de Fotos:" as a folder chosen in its dialog does.
    void setFolder(const QString &path);
    // Asks for the photo folder ("Seleccionar Directorio").
    void chooseFolder();
    QPushButton *folderChooser() const { return folderButton; }
    bool includesSubfolders() const;
    QString logoPath() const { return logo; }
    void setLogoPath(const QString &path) { logo = path; }
    QString fontPath() const { return font; }
    // The logo field and its "Seleccionar" button.
    std::vector<QWidget *> logoControls() const;
    QLineEdit *logoField() const { return logoEdit; }

signals:
    // The folder field or the subfolder choice changed.
    void folderChanged();
    // A folder chosen in the dialog, not one typed.
    void folderChosen(const QString &path);
    // A chosen file changes the stamping beyond its field's own signal.
    void previewOutdated();

private:
    void chooseFile(const QString &title, const QString &filter, QString &path, QLineEdit *field);
    void followTypedPath(QLineEdit *field, QString &path);
    void takeTypedPath(QLineEdit *field, QString &path, bool editingEnded);

    const Dialogs &dialogs;
    QString font; // full path of the font for all drawn text
    QString logo; // full path of the logo image

    QLineEdit *folderEdit = nullptr;
    QPushButton *folderButton = nullptr;
    QCheckBox *subdirsCheck = nullptr;
    QLineEdit *logoEdit = nullptr;
    QPushButton *logoButton = nullptr;
    QLineEdit *fontEdit = nullptr;
    QPushButton *fontButton = nullptr;

    OptionTable rows;
};

#endif // INPUTSPANEL_H
