#include "app/window/inputspanel.h"

#include "app/window/dialogs.h"
#include "app/window/pathfield.h"
#include "app/window/widgetparts.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

// A profile names a file by its full path; the field shows its file name.
static OptionRow pathOption(const QString &key, QLineEdit *field, QString &path,
                            QString ProcessingOptions::*target)
{
    OptionRow row;
    row.control = field;
    row.refreshesPreview = true;
    if (target)
        row.copy = [&path, target](ProcessingOptions &options) {
            options.*target = path;
        };
    row.profileKey = key;
    row.save = [&path] {
        return QJsonValue(path);
    };
    row.load = [&path, field](const QJsonValue &value) {
        path = value.toString();
        field->setText(fileNameOf(path));
        markFieldProblem(field, QString());
    };
    return row;
}

InputsPanel::InputsPanel(const Dialogs &dialogs, const QString &fontPath)
    : QGroupBox(tr("Archivos de Entrada"))
    , dialogs(dialogs)
    , font(fontPath)
{
    setObjectName(QStringLiteral("inputGroup"));
    auto *form = new QFormLayout(this);
    setMarginsAndSpacing(form, 5, 5);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);

    folderEdit = named(new QLineEdit, "folderEdit");
    folderButton = named(new QPushButton(tr("Seleccionar")), "folderButton");
    form->addRow(tr("Carpeta de Fotos:"), row({folderEdit, folderButton}));

    subdirsCheck = named(new QCheckBox(tr("Incluir subdirectorios")), "subdirsCheck");
    form->addRow(QString(), subdirsCheck);

    logoEdit = named(new QLineEdit, "logoEdit");
    logoButton = named(new QPushButton(tr("Seleccionar")), "logoButton");
    form->addRow(tr("Logo (opcional):"), row({logoEdit, logoButton}));

    fontEdit = named(new QLineEdit(fileNameOf(font)), "fontEdit");
    fontButton = named(new QPushButton(tr("Seleccionar")), "fontButton");
    form->addRow(tr("Fuente (opcional):"), row({fontEdit, fontButton}));

    connect(folderButton, &QPushButton::clicked, this, &InputsPanel::chooseFolder);
    connect(logoButton, &QPushButton::clicked, this, [this] {
        chooseFile(tr("Seleccionar Logo"),
                   QStringLiteral("Image Files (*.png *.jpg *.jpeg *.tiff)"), logo, logoEdit);
    });
    connect(fontButton, &QPushButton::clicked, this, [this] {
        chooseFile(tr("Seleccionar Fuente"),
                   QStringLiteral("Font Files (*.ttf *.otf);;All Files (*)"), font, fontEdit);
    });
    followTypedPath(logoEdit, logo);
    followTypedPath(fontEdit, font);
    connect(folderEdit, &QLineEdit::textChanged, this, &InputsPanel::folderChanged);
    connect(subdirsCheck, &QCheckBox::toggled, this, &InputsPanel::folderChanged);

    // Whether the logo is drawn at all is the logo tab's option.
    rows = {
            pathOption(QStringLiteral("logoPath"), logoEdit, logo, nullptr),
            pathOption(QStringLiteral("fontPath"), fontEdit, font, &ProcessingOptions::fontPath),
            checkOption(subdirsCheck, &ProcessingOptions::includeSubdirectories, QString(),
                        Preview::Unaffected),
    };
}

QString InputsPanel::folder() const
{
    return folderEdit->text();
}

bool InputsPanel::includesSubfolders() const
{
    return subdirsCheck->isChecked();
}

std::vector<QWidget *> InputsPanel::logoControls() const
{
    return {logoEdit, logoButton};
}

void InputsPanel::setFolder(const QString &path)
{
    folderEdit->setText(path);
}

void InputsPanel::chooseFolder()
{
    const QString path = dialogs.existingDirectory(window(), tr("Seleccionar Directorio"));
    if (path.isEmpty())
        return;
    folderEdit->setText(path);
    emit folderChosen(path);
}

void InputsPanel::chooseFile(const QString &title, const QString &filter, QString &path,
                             QLineEdit *field)
{
    const QString chosen = dialogs.openFileName(window(), title, filter);
    if (chosen.isEmpty())
        return;
    path = chosen;
    field->setText(fileNameOf(chosen));
    markFieldProblem(field, QString());
    emit previewOutdated();
}

// The path follows the text as it is typed, so a run started by a key
// meanwhile takes it; the mark waits until the editing ends.
void InputsPanel::followTypedPath(QLineEdit *field, QString &path)
{
    connect(field, &QLineEdit::textEdited, this,
            [this, field, &path] { takeTypedPath(field, path, false); });
    connect(field, &QLineEdit::editingFinished, this,
            [this, field, &path] { takeTypedPath(field, path, true); });
}

// An empty field chooses no file. A field the user has not edited since it
// was set (to a chosen file's name) is left alone.
void InputsPanel::takeTypedPath(QLineEdit *field, QString &path, bool editingEnded)
{
    if (editingEnded && !field->isModified())
        return;
    const QString typed = field->text().trimmed();
    QString problem;
    const QString found = typed.isEmpty() ? QString() : typedFilePath(typed, folder(), problem);
    path = found.isEmpty() ? typed : found;
    markFieldProblem(field, editingEnded ? problem : QString());
    if (editingEnded && !found.isEmpty())
        field->setText(fileNameOf(found));
    field->setModified(!editingEnded);
    emit previewOutdated();
}
