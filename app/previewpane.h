#ifndef PREVIEWPANE_H
#define PREVIEWPANE_H

#include "coords/callbacks.h"
#include "processing/processingoptions.h"

#include <QGroupBox>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QPushButton;

// "Vista Previa Interactiva": the photos of the chosen folder, one at a time,
// stamped as a run with the current options would stamp them.
class PreviewPane : public QGroupBox
{
    Q_OBJECT

public:
    // `options` gives the preview's options at each render; render failures
    // other than an unreadable result go to `log`.
    PreviewPane(std::function<ProcessingOptions()> options, LogCallback log);

    QString currentPath() const { return currentPreviewPath; }
    QStringList photos() const { return previewImages; }
    int currentIndex() const { return currentPreviewIndex; }

    // Lists the photos of `folder` and shows the first.
    void showFolder(const QString &folder, bool includeSubfolders);
    void showNext();
    void showPrevious();
    // Renders the shown photo again.
    void refresh();
    // Fits the held picture to the label again.
    void rescale();

private:
    void showPreviewAtIndex(int index);
    void showPreviewMessage(const QString &text);
    void showScaledPreview();
    void applyPreviewButtonRule();

    const std::function<ProcessingOptions()> options;
    const LogCallback log;

    QString currentPreviewPath;
    QPixmap previewPixmap; // last rendered preview at full size
    QStringList previewImages;
    int currentPreviewIndex = -1;

    QLabel *previewLabel = nullptr;
    QPushButton *previousButton = nullptr;
    QPushButton *nextButton = nullptr;
};

#endif // PREVIEWPANE_H
