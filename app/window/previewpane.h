#ifndef PREVIEWPANE_H
#define PREVIEWPANE_H

#include "stamping/processingoptions.h"

#include <QGroupBox>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <functional>

class QImage;
class QKeyEvent;
class QLabel;
class QPushButton;
class PreviewRenderer;

// "Vista Previa Interactiva": the photos of the chosen folder, one at a time,
// stamped as a run with the current options would stamp them, with the
// photo's name and place in the list under it. With the focus on the pane,
// the arrow keys Left/Right and Page Up/Down step through the photos.
class PreviewPane : public QGroupBox
{
    Q_OBJECT

public:
    // `options` gives the preview's options at each render; `optionsNote`
    // what the options themselves leave out of every photo (see LogoTab),
    // said under the photo's own note.
    PreviewPane(std::function<ProcessingOptions()> options, std::function<QString()> optionsNote);

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

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showPreviewAtIndex(int index);
    void showRendered(const QString &photoPath, const QImage &picture, const QString &note);
    void showPreviewMessage(const QString &text);
    void showScaledPreview();
    void applyPreviewButtonRule();
    void showPlace();

    const std::function<ProcessingOptions()> options;
    const std::function<QString()> optionsNote;

    QString currentPreviewPath;
    QPixmap previewPixmap; // last rendered preview, reduced only as far as the label allows
    QString previewFolder; // the folder the list was made from
    QStringList previewImages;
    int currentPreviewIndex = -1;

    QLabel *previewLabel = nullptr;
    QLabel *noteLabel = nullptr; // under the photo: "Ya estampada", "Sin GPS: ..."
    QLabel *nameLabel = nullptr; // the shown photo's path within the folder
    QLabel *placeLabel = nullptr; // "3 de 8"
    PreviewRenderer *renderer = nullptr;
    QPushButton *previousButton = nullptr;
    QPushButton *nextButton = nullptr;
};

#endif // PREVIEWPANE_H
