#include "app/previewpane.h"

#include "app/previewrender.h"
#include "app/widgetparts.h"
#include "processing/photocollection.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

PreviewPane::PreviewPane(std::function<ProcessingOptions()> options, LogCallback log)
    : QGroupBox(tr("Vista Previa Interactiva"))
    , options(std::move(options))
    , log(std::move(log))
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
    previewImages.clear();
    currentPreviewIndex = -1;
    currentPreviewPath.clear();
    previewPixmap = QPixmap();
    if (!QFileInfo(folder).isDir()) {
        showPreviewMessage(tr("El directorio seleccionado no es válido."));
        applyPreviewButtonRule();
        return;
    }
    previewImages = collectPhotos(folder, includeSubfolders);
    if (previewImages.isEmpty()) {
        showPreviewMessage(tr("No se encontraron imágenes en el directorio seleccionado."));
        applyPreviewButtonRule();
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
}

void PreviewPane::refresh()
{
    if (!QFileInfo(currentPreviewPath).isFile())
        return;
    const PreviewRender render = renderPreview(currentPreviewPath, options());
    switch (render.outcome) {
    case PreviewRender::Outcome::NoTemporaryFolder:
        log(tr("Error: No se pudo crear el directorio temporal para la vista previa."));
        return;
    case PreviewRender::Outcome::CopyFailed:
        log(tr("Error: No se pudo copiar la imagen de vista previa al directorio temporal."));
        return;
    case PreviewRender::Outcome::NotAPicture:
        previewPixmap = QPixmap();
        showPreviewMessage(tr("Error al generar la vista previa."));
        return;
    case PreviewRender::Outcome::Rendered:
        previewPixmap = QPixmap::fromImage(render.picture);
        showScaledPreview();
        return;
    }
}

void PreviewPane::rescale()
{
    if (!previewPixmap.isNull() && previewLabel->width() > 10 && previewLabel->height() > 10)
        showScaledPreview();
}

void PreviewPane::showPreviewMessage(const QString &text)
{
    previewLabel->clear();
    previewLabel->setText(text);
}

// Always from the full-size picture, so repeated resizes never blur it.
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
