#include "app/window/previewpane.h"

#include "app/window/previewrenderer.h"
#include "app/window/widgetparts.h"
#include "files/photocollection.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

PreviewPane::PreviewPane(std::function<ProcessingOptions()> options,
                         std::function<QString()> optionsNote)
    : QGroupBox(tr("Vista Previa Interactiva"))
    , options(std::move(options))
    , optionsNote(std::move(optionsNote))
{
    setObjectName(QStringLiteral("previewGroup"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *layout = new QVBoxLayout(this);

    previewLabel = named(
            new QLabel(tr("Seleccione una carpeta con imágenes para activar la vista previa.")),
            "previewLabel");
    previewLabel->setAlignment(Qt::AlignCenter);
    previewLabel->setWordWrap(true);
    // A large picture must never grow the window.
    previewLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(previewLabel, 1);
    noteLabel = named(new QLabel, "previewNoteLabel");
    noteLabel->setAlignment(Qt::AlignCenter);
    noteLabel->setWordWrap(true);
    noteLabel->hide();
    layout->addWidget(noteLabel);
    // Clicking the picture gives the pane the focus its keys need.
    setFocusPolicy(Qt::StrongFocus);

    nameLabel = named(new QLabel, "previewNameLabel");
    nameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    placeLabel = named(new QLabel, "previewPlaceLabel");
    auto *place = new QHBoxLayout;
    place->addWidget(nameLabel, 1);
    place->addWidget(placeLabel);
    layout->addLayout(place);
    renderer = new PreviewRenderer(this);
    connect(renderer, &PreviewRenderer::rendered, this, &PreviewPane::showRendered);

    previousButton = named(new QPushButton(tr("Anterior")), "previousButton");
    nextButton = named(new QPushButton(tr("Siguiente")), "nextButton");
    previousButton->setEnabled(false);
    nextButton->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(previousButton);
    buttons->addWidget(nextButton);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(previousButton, &QPushButton::clicked, this, &PreviewPane::showPrevious);
    connect(nextButton, &QPushButton::clicked, this, &PreviewPane::showNext);
}

void PreviewPane::showFolder(const QString &folder, bool includeSubfolders)
{
    previewFolder = folder;
    previewImages.clear();
    currentPreviewIndex = -1;
    currentPreviewPath.clear();
    previewPixmap = QPixmap();
    if (!QFileInfo(folder).isDir()) {
        showPreviewMessage(tr("El directorio seleccionado no es válido."));
        applyPreviewButtonRule();
        showPlace();
        return;
    }
    previewImages = collectPhotos(folder, includeSubfolders);
    if (previewImages.isEmpty()) {
        showPreviewMessage(tr("No se encontraron imágenes en el directorio seleccionado."));
        applyPreviewButtonRule();
        showPlace();
        return;
    }
    currentPreviewIndex = 0;
    showPreviewAtIndex(currentPreviewIndex);
}

void PreviewPane::showNext()
{
    if (currentPreviewIndex >= previewImages.size() - 1)
        return;
    ++currentPreviewIndex;
    showPreviewAtIndex(currentPreviewIndex);
}

void PreviewPane::showPrevious()
{
    if (currentPreviewIndex < 1)
        return;
    --currentPreviewIndex;
    showPreviewAtIndex(currentPreviewIndex);
}

// The buttons follow currentPreviewIndex, which the caller sets first.
void PreviewPane::showPreviewAtIndex(int index)
{
    if (index < 0 || index >= previewImages.size())
        return;
    currentPreviewPath = previewImages.at(index);
    refresh();
    applyPreviewButtonRule();
    showPlace();
}

// A photo of a subfolder shows the subfolder too; no photo, no text.
void PreviewPane::showPlace()
{
    const bool shown = currentPreviewIndex >= 0 && currentPreviewIndex < previewImages.size();
    nameLabel->setText(shown ? QDir(previewFolder).relativeFilePath(currentPreviewPath)
                             : QString());
    placeLabel->setText(
            shown ? tr("%1 de %2").arg(currentPreviewIndex + 1).arg(previewImages.size())
                  : QString());
}

void PreviewPane::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        showPrevious();
        break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        showNext();
        break;
    default:
        QGroupBox::keyPressEvent(event);
    }
}

void PreviewPane::refresh()
{
    if (!QFileInfo(currentPreviewPath).isFile())
        return;
    renderer->render({currentPreviewPath, options(), previewLabel->size()});
}

// Renders of a photo no longer shown are dropped: its picture stays up until
// the new photo's is ready, and a folder message stays.
void PreviewPane::showRendered(const QString &photoPath, const QImage &picture, const QString &note)
{
    if (photoPath != currentPreviewPath)
        return;
    QStringList notes = {note, optionsNote()};
    notes.removeAll(QString());
    noteLabel->setText(notes.join(QLatin1Char('\n')));
    noteLabel->setVisible(!notes.isEmpty());
    if (picture.isNull()) {
        previewPixmap = QPixmap();
        showPreviewMessage(tr("Error al generar la vista previa."));
        return;
    }
    previewPixmap = QPixmap::fromImage(picture);
    showScaledPreview();
}

void PreviewPane::rescale()
{
    if (previewPixmap.isNull())
        return;
    if (previewLabel->width() > 10 && previewLabel->height() > 10)
        showScaledPreview();
    // Decoded for a smaller label: decoded again for this one.
    if (previewPixmap.width() < previewLabel->width()
        && previewPixmap.height() < previewLabel->height())
        refresh();
}

void PreviewPane::showPreviewMessage(const QString &text)
{
    noteLabel->hide();
    previewLabel->clear();
    previewLabel->setText(text);
}

// Always from the rendered picture, so repeated resizes never blur it.
void PreviewPane::showScaledPreview()
{
    previewLabel->setPixmap(previewPixmap.scaled(previewLabel->size(), Qt::KeepAspectRatio,
                                                 Qt::SmoothTransformation));
}

void PreviewPane::applyPreviewButtonRule()
{
    previousButton->setEnabled(currentPreviewIndex >= 1);
    nextButton->setEnabled(currentPreviewIndex < previewImages.size() - 1);
}
