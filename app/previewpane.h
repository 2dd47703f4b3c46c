#ifndef PREVIEWPANE_H
#define PREVIEWPANE_H

#include "processing/processingoptions.h"

#include <QGroupBox>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <functional>

class QImage;
class QLabel;
class QPushButton;
class PreviewRenderer;

// "Vista Previa Interactiva": the photos of the chosen folder, one at a time,
// stamped as a run with the current options would stamp them.
class PreviewPane : public QGroupBox
{
    Q_OBJECT

public:
    // `options` gives the preview's options at each render.
    explicit PreviewPane(std::function<ProcessingOptions()> options);

    QString currentPath() const { return currentPreviewPath; }
    QStringList photos() const { return previewImages; }
    int currentIndex() const { return currentPreviewIndex; }

    // Lists the photos of `folder` and shows the first.
    void showFolder(const QString &folder, bool includeSubfolders);
    void showNext();
    void showPrevious();
    // Renders the shown photo again, off the GUI thread; the picture shown
    // stays up until the new one is ready.
    void refresh();
    // Fits the held picture to the label again, and decodes the photo again
    // when the label has outgrown the picture.
    void rescale();

private:
    void showPreviewAtIndex(int index);
    void showRendered(const QString &photoPath, const QImage &picture, const QString &note);
    void showPreviewMessage(const QString &text);
    void showScaledPreview();
    void applyPreviewButtonRule();

    const std::function<ProcessingOptions()> options;

    QString currentPreviewPath;
    QPixmap previewPixmap; // last rendered preview, reduced only as far as the label allows
    QStringList previewImages;
    int currentPreviewIndex = -1;

    QLabel *previewLabel = nullptr;
    QLabel *noteLabel = nullptr; // under the photo: "Ya estampada"
    PreviewRenderer *renderer = nullptr;
    QPushButton *previousButton = nullptr;
    QPushButton *nextButton = nullptr;
};

#endif // PREVIEWPANE_H
