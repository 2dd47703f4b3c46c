#ifndef PHOTORENAMERGUI_H
#define PHOTORENAMERGUI_H

#include "app/optiontable.h"
#include "app/window/dialogs.h"
#include "coords/altitudefill.h"
#include "stamping/processingoptions.h"

#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

class AltitudeFillTool;
class CompassTab;
class GeneralTab;
class HelpWindow;
class InputsPanel;
class LogView;
class LogoTab;
class PreviewPane;
class QAction;
class QCloseEvent;
class QComboBox;
class QLabel;
class QProgressDialog;
class QPushButton;
class QMenu;
class QResizeEvent;
class QSplitter;
class QTabWidget;
class QWidget;
class ProfileTool;
class ReportTool;
class TextTab;

// The program's single window: the option panels on the left above the run
// button and the log, the preview on the right, and menus that start its
// tools (`WindowTool`). Tools' jobs never read its widgets; they get a
// snapshot of the option table taken on the GUI thread.
//
// Every control carries its member name as object name, so tests can find it.
// The panels' state is also readable as properties of the window for the
// same reason.
class PhotoRenamerGUI : public QMainWindow
{
    Q_OBJECT
    Q_PROPERTY(QString fontPath READ fontPath)
    Q_PROPERTY(QString logoPath READ logoPath WRITE setLogoPath)
    Q_PROPERTY(QString fontColor READ fontColor)
    Q_PROPERTY(QColor compassArrowColor READ compassArrowColor)
    Q_PROPERTY(QString currentPreviewPath READ currentPreviewPath)
    Q_PROPERTY(QStringList previewImages READ previewImages)
    Q_PROPERTY(int currentPreviewIndex READ currentPreviewIndex)
    Q_PROPERTY(QString altitudeProvider MEMBER altitudeProvider)
    Q_PROPERTY(QString altitudeApiKey MEMBER altitudeApiKey)
    Q_PROPERTY(int jpegQuality MEMBER jpegQuality)
    // Where file dialogs start (`dialogStartFolder`).
    Q_PROPERTY(QString photoFolder READ photoFolder)

public:
    explicit PhotoRenamerGUI(QWidget *parent = nullptr);

    // Every option of the window, for tests that go through all of them.
    const OptionTable &optionRows() const { return optionTable; }

    // Replaces the modal dialogs the window asks the user through.
    void setDialogs(const Dialogs &replacement);

    // Points the altitude fill at another elevation server and pace; there is
    // no control for it, the default is each provider's public service.
    void setElevationService(const ElevationService &service);

    // Brings back what the last window kept on closing: its size, place and
    // splitters, and its options when "Recordar las opciones al cerrar" is on.
    // Only the window a person sees does this; the command line's never.
    void restoreSession();

private slots:
    void onDirectoryChanged();
    void onNextPreview();
    void onPreviousPreview();
    void updatePreview();
    // Loads the profile a listed name or a path stands for; returns the keys
    // whose values were refused. The command line loads profiles through it.
    Q_INVOKABLE QStringList applyProfileFile(const QString &name);
    void log(const QString &message);
    void openSettingsDialog();
    void showGuide();
    void showAbout();

protected:
    // Rescales the held preview picture to the preview label.
    void resizeEvent(QResizeEvent *event) override;
    // Refused while a job works: ending the program then would cut a photo
    // short. A window that closes keeps its layout, and its options if asked.
    void closeEvent(QCloseEvent *event) override;

private:
    friend ProcessingOptions snapshotOptions(const PhotoRenamerGUI &window);

    QString fontPath() const;
    QString logoPath() const;
    void setLogoPath(const QString &path);
    QString fontColor() const;
    QColor compassArrowColor() const;
    QString photoFolder() const;
    QString currentPreviewPath() const;
    QStringList previewImages() const;
    int currentPreviewIndex() const;

    void loadSettings();

    QWidget *buildOptionsPanel();
    QWidget *buildLeftColumn();
    void buildMenus();
    void buildFileMenu();
    void buildRecentMenu();
    void updateCornerWarnings();
    void saveSession();
    void buildStatusBar();
    void buildTools();
    void connectSignals();

    QString altitudeProvider;
    QString altitudeApiKey;
    int jpegQuality = 90; // percent
    QPointer<QProgressDialog> progressDialog; // the running job's dialog

    Dialogs dialogs;

    InputsPanel *inputs = nullptr;
    QTabWidget *optionTabs = nullptr;
    GeneralTab *generalTab = nullptr;
    TextTab *textTab = nullptr;
    LogoTab *logoTab = nullptr;
    CompassTab *compassTab = nullptr;
    PreviewPane *preview = nullptr;
    // Every option of the panels, then those the window holds itself.
    OptionTable optionTable;

    // Run and log, below the scrolled options
    QPushButton *startButton = nullptr;
    LogView *logView = nullptr;
    QSplitter *splitter = nullptr; // left column | preview
    QSplitter *logSplitter = nullptr; // options above the log

    // Menu "&Archivo" (with "Perfiles"), "&Herramientas" and "A&yuda"
    QAction *chooseFolderAction = nullptr;
    QMenu *recentMenu = nullptr;
    QAction *runAction = nullptr;
    QComboBox *profileCombo = nullptr;
    QPushButton *loadProfileButton = nullptr;
    QPushButton *saveProfileButton = nullptr;
    QAction *loadProfileAction = nullptr;
    QAction *saveProfileAction = nullptr;
    QAction *exportLocationsAction = nullptr;
    QAction *quitAction = nullptr;
    QAction *settingsAction = nullptr;
    QAction *guideAction = nullptr;
    QAction *aboutAction = nullptr;
    QPointer<HelpWindow> helpWindow;
    QAction *restoreAction = nullptr;
    QAction *descriptionsAction = nullptr;
    QAction *createReportAction = nullptr;
    AltitudeFillTool *altitudeFillTool = nullptr;
    ProfileTool *profileTool = nullptr;
    ReportTool *reportTool = nullptr; // keeps the report dialog's project data

    QLabel *statusLabel = nullptr;
};

// Every option of the window's option table copied into the record a run
// hands to the engine. Taken on the GUI thread at the click; the run never
// reads a widget afterwards.
ProcessingOptions snapshotOptions(const PhotoRenamerGUI &window);

#endif // PHOTORENAMERGUI_H
