#ifndef PHOTORENAMERGUI_H
#define PHOTORENAMERGUI_H

#include "app/altitudefilljob.h"
#include "app/backgroundjob.h"
#include "app/dialogs.h"

#include <QColor>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QImage;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QResizeEvent;
class QTabWidget;
class QTextEdit;
class QWidget;
class PreviewRenderer;
struct ProfileKey;
struct ProcessingOptions;

// The program's single window: owns every option control, the log view and
// the preview, and receives every user action. Jobs never read its widgets;
// they get a snapshot of the controls taken on the GUI thread.
//
// Every control carries its member name as object name, so tests can find it.
// The state members are also readable as properties for the same reason.
class PhotoRenamerGUI : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(QString fontPath MEMBER fontPath)
    Q_PROPERTY(QString logoPath MEMBER logoPath)
    Q_PROPERTY(QString fontColor MEMBER fontColor)
    Q_PROPERTY(QColor compassArrowColor MEMBER compassArrowColor)
    Q_PROPERTY(QString currentPreviewPath MEMBER currentPreviewPath)
    Q_PROPERTY(QStringList previewImages MEMBER previewImages)
    Q_PROPERTY(int currentPreviewIndex MEMBER currentPreviewIndex)
    Q_PROPERTY(QString altitudeProvider MEMBER altitudeProvider)
    Q_PROPERTY(QString altitudeApiKey MEMBER altitudeApiKey)
    Q_PROPERTY(int jpegQuality MEMBER jpegQuality)

public:
    explicit PhotoRenamerGUI(QWidget *parent = nullptr);

    // Replaces the modal dialogs the window asks the user through.
    void setDialogs(const Dialogs &replacement);

    // Points the altitude fill at another elevation server and pace; there is
    // no control for it, the default is each provider's public service.
    void setElevationService(const ElevationService &service);

private slots:
    void selectDirectory();
    void selectLogo();
    void selectFont();
    void selectTxt();
    void selectColor();
    void createSampleFile();
    void onDirectoryChanged();
    void onNextPreview();
    void onPreviousPreview();
    void showPreviewAtIndex(int index);
    void updatePreview();
    void startProcess();
    void toggleMode();
    void savePreset();
    void loadPreset();
    void loadPresetFromCombo(const QString &name);
    void log(const QString &message);
    void openSettingsDialog();
    void selectOutputDirectory();
    void populateAltitude();
    void selectCompassArrowColor();

protected:
    // Rescales the held preview picture to the preview label.
    void resizeEvent(QResizeEvent *event) override;
    // Refused while a job works: ending the program then would cut a photo short.
    void closeEvent(QCloseEvent *event) override;

private:
    friend ProcessingOptions snapshotOptions(const PhotoRenamerGUI &window);

    void loadSettings();
    void finishAltitudeFill(const QString &failure);

    QWidget *buildLeftPanel();
    QGroupBox *buildInputGroup();
    QWidget *buildGeneralTab();
    QGroupBox *buildModeGroup();
    QGroupBox *buildCsvGroup();
    QGroupBox *buildRenameGroup();
    QGroupBox *buildOutputGroup();
    QWidget *buildTextTab();
    QWidget *buildLogoTab();
    QWidget *buildCompassTab();
    QGroupBox *buildPreviewGroup();
    void buildMenus();
    void buildStatusBar();

    void connectSignals();
    void applyEnableRules();
    void updatePrefixEnabled();
    void connectPreviewRefresh(QWidget *control);
    void chooseDirectoryFor(const QString &title, QLineEdit *field);
    void chooseFileFor(const QString &title, const QString &filter, QString &path,
                       QLineEdit *field);
    // The profile keys in the order loading applies them.
    std::vector<ProfileKey> profileKeys();
    void showPreviewMessage(const QString &text);
    void showRenderedPreview(const QString &photoPath, const QImage &picture);
    void showScaledPreview();
    void applyPreviewButtonRule();
    void finishRun(const QString &failure);
    void startJob(const QString &label, QPushButton *button, const BackgroundJob::Work &work,
                  void (PhotoRenamerGUI::*finish)(const QString &failure),
                  const std::function<void()> &cancel = {});

    // State, in the order the window initialises it.
    QString fontPath; // full path of the font for all drawn text
    QString logoPath; // full path of the logo image
    QString fontColor = QStringLiteral("#FFFFFF"); // colour name, '#' and six hex digits
    QColor compassArrowColor = QColor(255, 0, 0);
    QString currentPreviewPath;
    QPixmap previewPixmap; // last rendered preview, reduced only as far as the label allows
    QStringList previewImages;
    int currentPreviewIndex = -1;
    QString altitudeProvider;
    QString altitudeApiKey;
    int jpegQuality = 90; // percent
    QPointer<QProgressDialog> progressDialog; // the running job's dialog
    ElevationService elevationService;

    Dialogs dialogs;

    // "Archivos de Entrada"
    QLineEdit *folderEdit = nullptr;
    QPushButton *folderButton = nullptr;
    QCheckBox *subdirsCheck = nullptr;
    QLineEdit *logoEdit = nullptr; // shows the file name of logoPath only
    QPushButton *logoButton = nullptr;
    QLineEdit *fontEdit = nullptr; // shows the file name of fontPath only
    QPushButton *fontButton = nullptr;

    QTabWidget *optionTabs = nullptr;

    // Tab "General": coordinates mode
    QButtonGroup *modeButtons = nullptr;
    QRadioButton *exifRadio = nullptr;
    QRadioButton *csvRadio = nullptr;

    // Tab "General": "Archivo CSV", shown only in coordinates-file mode
    QGroupBox *csvGroup = nullptr;
    QLineEdit *csvPathEdit = nullptr;
    QPushButton *csvButton = nullptr;
    QPushButton *sampleButton = nullptr;
    QPushButton *altitudeButton = nullptr;
    QCheckBox *overwriteAltitudeCheck = nullptr;
    QCheckBox *sampleFromExifCheck = nullptr;
    QCheckBox *embedCsvCheck = nullptr;

    // Tab "General": renaming
    QCheckBox *renameCheck = nullptr;
    QCheckBox *prefixCheck = nullptr;
    QLineEdit *prefixEdit = nullptr;
    QLabel *prefixProblemLabel = nullptr;

    // Tab "General": output
    QCheckBox *outputFolderCheck = nullptr;
    QLineEdit *outputFolderEdit = nullptr;
    QPushButton *outputFolderButton = nullptr;
    QCheckBox *backupCheck = nullptr;

    // Tab "Texto"
    QCheckBox *drawDataCheck = nullptr;
    QComboBox *dtPositionCombo = nullptr;
    QComboBox *coordsPositionCombo = nullptr;
    QComboBox *orientationPositionCombo = nullptr;
    QComboBox *altitudePositionCombo = nullptr;
    QDoubleSpinBox *fontSizeSpin = nullptr;
    QLabel *fontColorSwatch = nullptr;
    QPushButton *fontColorButton = nullptr;
    QCheckBox *drawOrientationCheck = nullptr;
    QCheckBox *drawAltitudeCheck = nullptr;
    QCheckBox *drawTimeCheck = nullptr;
    QCheckBox *bgTextCheck = nullptr;
    QCheckBox *drawGeoCheck = nullptr;

    // Tab "Logo"
    QCheckBox *logoCheck = nullptr;
    QComboBox *logoPositionCombo = nullptr;
    QDoubleSpinBox *logoRatioSpin = nullptr;

    // Tab "Rosa de Vientos"
    QCheckBox *compassCheck = nullptr;
    QComboBox *compassPositionCombo = nullptr;
    QDoubleSpinBox *compassRatioSpin = nullptr;
    QComboBox *compassStyleCombo = nullptr;
    QLabel *compassArrowSwatch = nullptr;
    QPushButton *compassArrowButton = nullptr;
    QCheckBox *rotateCompassCheck = nullptr;

    // Run and log
    QPushButton *startButton = nullptr;
    QTextEdit *logView = nullptr;

    // "Vista Previa Interactiva"
    QLabel *previewLabel = nullptr;
    PreviewRenderer *previewRenderer = nullptr;
    QPushButton *previousButton = nullptr;
    QPushButton *nextButton = nullptr;

    // Menu "&Archivo" -> "Perfiles", and "&Herramientas"
    QComboBox *profileCombo = nullptr;
    QPushButton *loadProfileButton = nullptr;
    QPushButton *saveProfileButton = nullptr;
    QAction *settingsAction = nullptr;

    QLabel *statusLabel = nullptr;
};

#endif // PHOTORENAMERGUI_H
