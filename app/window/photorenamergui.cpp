#include "app/window/photorenamergui.h"

#include "app/optionssnapshot.h"
#include "app/profile.h"
#include "app/storedsettings.h"
#include "app/window/abouttext.h"
#include "app/window/backgroundjob.h"
#include "app/window/batchrun.h"
#include "app/window/compasstab.h"
#include "app/window/cornerclash.h"
#include "app/window/descriptionsdialog.h"
#include "app/window/generaltab.h"
#include "app/window/helpwindow.h"
#include "app/window/inputspanel.h"
#include "app/window/logotab.h"
#include "app/window/logview.h"
#include "app/window/previewpane.h"
#include "app/window/settingsdialog.h"
#include "app/window/texttab.h"
#include "app/window/widgetparts.h"
#include "app/window/windowmemory.h"
#include "coords/samplefile.h"
#include "exports/locationexport.h"
#include "files/photocollection.h"
#include "metadata/exifreader.h"
#include "processing/batchsummary.h"
#include "processing/photoprocessor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>
#include <initializer_list>

// The options are taller than the window in coordinates-file and track
// mode and the window must fit laptop screens, so the panel scrolls
// vertically; the run button and the log stay outside it, always in view.
// The scroll area is as wide as the panel plus its scroll bar.
// Where the folder's first photos were taken: enough to put the systems that
// hold them first in the list.
static QVector<QPair<double, double>> photoPlaces(const QString &folder, bool subfolders)
{
    static constexpr int photosAsked = 20;
    QVector<QPair<double, double>> places;
    if (!QFileInfo(folder).isDir())
        return places;
    for (const QString &photo : collectPhotos(folder, subfolders)) {
        if (const auto gps = readGpsFromExif(photo))
            places.append({gps->latitude, gps->longitude});
        if (places.size() == photosAsked)
            break;
    }
    return places;
}

// The system chosen in the window, ready to transform; null for WGS 84 / UTM.
// False after a critical box when PROJ cannot build it.
static bool chosenCrs(const Dialogs &dialogs, QWidget *parent, const QString &code,
                      std::shared_ptr<const CrsTransform> &crs)
{
    if (code.isEmpty())
        return true;
    QString problem;
    if (const auto entry = findProjectedCrs(code, problem))
        crs = crsTransform(entry->epsg, problem);
    if (!crs)
        dialogs.critical(parent, QObject::tr("Error"), problem);
    return bool(crs);
}

static QScrollArea *verticalScroller(QWidget *panel)
{
    auto *scroller = named(new QScrollArea, "leftScroller");
    scroller->setWidget(panel);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setSizePolicy(panel->sizePolicy());
    const int barPixels = scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                         scroller->verticalScrollBar());
    scroller->setMinimumWidth(panel->sizeHint().width() + barPixels);
    scroller->setMaximumWidth(panel->maximumWidth() + barPixels);
    return scroller;
}

// 1280 x 800, made smaller where the screen's free area (without task bars)
// is smaller, and centred in that area. The frame is not known before the
// window is shown: the title bar and borders are allowed for.
static void fitToScreen(QWidget &window)
{
    const QRect available = window.screen()->availableGeometry();
    const int border = 8; // pixels each side, more than window managers draw
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QSize frame(2 * border, titleBar + 2 * border);
    const QSize size = QSize(1280, 800).boundedTo(available.size() - frame);
    window.resize(size);
    window.move(available.left() + (available.width() - size.width() - frame.width()) / 2,
                available.top() + (available.height() - size.height() - frame.height()) / 2);
}

// The menu text and each of its keys, as a button's tool tip shows them.
static void showShortcutsInToolTip(QWidget *button, const QString &text, const QAction *action)
{
    QStringList keys;
    for (const QKeySequence &key : action->shortcuts())
        keys << key.toString(QKeySequence::NativeText);
    button->setToolTip(text + QStringLiteral(" (") + keys.join(QStringLiteral(", "))
                       + QStringLiteral(")"));
}

PhotoRenamerGUI::PhotoRenamerGUI(QWidget *parent)
    : QMainWindow(parent)
{
    loadSettings();

    setWindowTitle(tr("Rumbario: Renombrador/Incrustador de coordenadas UTM en fotografías"));
    fitToScreen(*this);

    splitter = named(new QSplitter(Qt::Horizontal), "splitter");
    splitter->addWidget(buildLeftColumn());
    preview = new PreviewPane([this] {
        return previewOptions(snapshotOptions(*this), generalTab->coordinatesFile());
    });
    splitter->addWidget(preview);
    // The preview takes every pixel of width the options panel does not need.
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);

    auto *central = new QWidget;
    auto *layout = new QHBoxLayout(central);
    setMarginsAndSpacing(layout, 5, 2);
    layout->addWidget(splitter);
    setCentralWidget(central);

    buildMenus();
    buildStatusBar();

    for (const OptionTable *rows :
         {&inputs->optionRows(), &generalTab->optionRows(), &textTab->optionRows(),
          &logoTab->optionRows(), &compassTab->optionRows()})
        optionTable.insert(optionTable.end(), rows->begin(), rows->end());
    OptionRow quality; // a stored setting, not a control
    quality.copy = [this](ProcessingOptions &options) {
        options.jpegQuality = jpegQuality;
    };
    optionTable.push_back(quality);
    const OptionTable reportRows = reportProfileRows(reportDetails);
    optionTable.insert(optionTable.end(), reportRows.begin(), reportRows.end());

    connectSignals();
    updateCornerWarnings();
}

void PhotoRenamerGUI::restoreSession()
{
    const WindowLayout layout = readWindowLayout();
    // A geometry from another screen is moved onto this one by Qt.
    restoreGeometry(layout.geometry);
    splitter->restoreState(layout.splitter);
    logSplitter->restoreState(layout.logSplitter);
    if (!readStoredSettings().rememberOptions)
        return;
    if (const std::optional<QJsonObject> options = readRememberedOptions()) {
        applyProfile(optionTable, *options);
        inputs->setFolder(options->value(QStringLiteral("folder")).toString());
    }
}

// The remembered options are a profile plus the photo folder.
void PhotoRenamerGUI::saveSession()
{
    writeWindowLayout({saveGeometry(), splitter->saveState(), logSplitter->saveState()});
    std::optional<QJsonObject> options;
    if (readStoredSettings().rememberOptions) {
        options = profileObject(optionTable);
        options->insert(QStringLiteral("folder"), inputs->folder());
    }
    writeRememberedOptions(options);
}

void PhotoRenamerGUI::setDialogs(const Dialogs &replacement)
{
    dialogs = replacement;
}

void PhotoRenamerGUI::setElevationService(const ElevationService &service)
{
    elevationService = service;
}

void PhotoRenamerGUI::loadSettings()
{
    const StoredSettings settings = readStoredSettings();
    altitudeProvider = settings.altitudeProvider;
    altitudeApiKey = settings.altitudeApiKey;
    jpegQuality = settings.jpegQuality;
}

QString PhotoRenamerGUI::fontPath() const
{
    return inputs->fontPath();
}

QString PhotoRenamerGUI::logoPath() const
{
    return inputs->logoPath();
}

void PhotoRenamerGUI::setLogoPath(const QString &path)
{
    inputs->setLogoPath(path);
}

QString PhotoRenamerGUI::fontColor() const
{
    return textTab->fontColor();
}

QColor PhotoRenamerGUI::compassArrowColor() const
{
    return compassTab->arrowColor();
}

QString PhotoRenamerGUI::photoFolder() const
{
    return inputs->folder();
}

QString PhotoRenamerGUI::currentPreviewPath() const
{
    return preview->currentPath();
}

QStringList PhotoRenamerGUI::previewImages() const
{
    return preview->photos();
}

int PhotoRenamerGUI::currentPreviewIndex() const
{
    return preview->currentIndex();
}

QWidget *PhotoRenamerGUI::buildOptionsPanel()
{
    auto *panel = named(new QWidget, "leftPanel");
    panel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    panel->setMaximumWidth(400);
    auto *layout = new QVBoxLayout(panel);
    setMarginsAndSpacing(layout, 5, 4);

    inputs = new InputsPanel(
            dialogs, QCoreApplication::applicationDirPath() + QStringLiteral("/notosans.ttf"));
    layout->addWidget(inputs);

    optionTabs = named(new QTabWidget, "optionTabs");
    optionTabs->addTab(
            generalTab = new GeneralTab(
                    dialogs,
                    [this] { return photoPlaces(inputs->folder(), inputs->includesSubfolders()); }),
            tr("General"));
    optionTabs->addTab(textTab = new TextTab(dialogs), tr("Texto"));
    optionTabs->addTab(logoTab = new LogoTab(*inputs), tr("Logo"));
    optionTabs->addTab(compassTab = new CompassTab(dialogs), tr("Rosa de Vientos"));
    layout->addWidget(optionTabs);
    keepHeightForWidth(optionTabs);
    layout->addStretch();
    return panel;
}

// The scrolled options with the run button under them, above the log; the
// splitter between them moves, the button stays in view.
QWidget *PhotoRenamerGUI::buildLeftColumn()
{
    QScrollArea *scroller = verticalScroller(buildOptionsPanel());
    auto *optionsPane = named(new QWidget, "optionsPane");
    auto *optionsLayout = new QVBoxLayout(optionsPane);
    setMarginsAndSpacing(optionsLayout, 0, 4);
    optionsLayout->addWidget(scroller, 1);
    startButton = named(new QPushButton(tr("Iniciar Proceso")), "startButton");
    startButton->setStyleSheet(QStringLiteral("QPushButton { font-size: 16px; padding: 8px; }"));
    optionsLayout->addWidget(startButton);

    auto *logGroup = named(new QGroupBox(tr("Log de Procesos")), "logGroup");
    auto *logLayout = new QVBoxLayout(logGroup);
    setMarginsAndSpacing(logLayout, 5, 0);
    logView = new LogView(dialogs);
    logLayout->addWidget(logView);

    logSplitter = named(new QSplitter(Qt::Vertical), "logSplitter");
    logSplitter->addWidget(optionsPane);
    logSplitter->addWidget(logGroup);
    logSplitter->setChildrenCollapsible(false);
    // The log keeps its height (eight lines at first) as the window grows.
    logSplitter->setStretchFactor(0, 1);
    logSplitter->setStretchFactor(1, 0);
    logSplitter->setMaximumWidth(scroller->maximumWidth());
    return logSplitter;
}

// Every menu of the window is built here, in menu order.
void PhotoRenamerGUI::buildMenus()
{
    buildFileMenu();

    QMenu *toolsMenu = named(menuBar()->addMenu(tr("&Herramientas")), "toolsMenu");
    settingsAction = named(toolsMenu->addAction(tr("Configuración...")), "settingsAction");
    restoreAction = named(toolsMenu->addAction(tr("Restaurar originales desde Backup...")),
                          "restoreAction");
    connect(named(toolsMenu->addAction(tr("Descripciones de las fotos...")), "descriptionsAction"),
            &QAction::triggered, this, &PhotoRenamerGUI::editDescriptions);

    QMenu *helpMenu = named(menuBar()->addMenu(tr("A&yuda")), "helpMenu");
    guideAction = named(helpMenu->addAction(tr("Guía de uso")), "guideAction");
    guideAction->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction = named(helpMenu->addAction(tr("Acerca de Rumbario")), "aboutAction");
}

void PhotoRenamerGUI::buildFileMenu()
{
    QMenu *fileMenu = named(menuBar()->addMenu(tr("&Archivo")), "fileMenu");
    chooseFolderAction = named(fileMenu->addAction(tr("Seleccionar carpeta de fotos...")),
                               "chooseFolderAction");
    chooseFolderAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    showShortcutsInToolTip(inputs->folderChooser(), tr("Seleccionar la carpeta de fotos"),
                           chooseFolderAction);
    recentMenu = named(fileMenu->addMenu(tr("Carpetas recientes")), "recentMenu");
    // Rebuilt on every opening, so folders removed meanwhile are dropped.
    connect(recentMenu, &QMenu::aboutToShow, this, &PhotoRenamerGUI::buildRecentMenu);
    fileMenu->addSeparator();

    runAction = named(fileMenu->addAction(tr("Iniciar proceso")), "runAction");
    runAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)});
    showShortcutsInToolTip(startButton, tr("Iniciar el proceso"), runAction);
    fileMenu->addSeparator();

    QMenu *profilesMenu = named(fileMenu->addMenu(tr("Perfiles")), "profilesMenu");

    profileCombo = named(new QComboBox, "profileCombo");
    profileCombo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    loadProfileButton = named(new QPushButton(tr("Cargar")), "loadProfileButton");
    saveProfileButton = named(new QPushButton(tr("Guardar")), "saveProfileButton");
    for (QWidget *widget :
         std::initializer_list<QWidget *> {profileCombo, loadProfileButton, saveProfileButton}) {
        auto *action = new QWidgetAction(profilesMenu);
        action->setDefaultWidget(widget);
        profilesMenu->addAction(action);
    }
    loadProfileAction = named(fileMenu->addAction(tr("Cargar perfil...")), "loadProfileAction");
    loadProfileAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    showShortcutsInToolTip(loadProfileButton, tr("Cargar un perfil"), loadProfileAction);
    saveProfileAction = named(fileMenu->addAction(tr("Guardar perfil...")), "saveProfileAction");
    saveProfileAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    showShortcutsInToolTip(saveProfileButton, tr("Guardar el perfil"), saveProfileAction);
    fileMenu->addSeparator();

    exportLocationsAction
            = named(fileMenu->addAction(tr("Exportar ubicaciones...")), "exportLocationsAction");
    createReportAction
            = named(fileMenu->addAction(tr("Crear registro fotográfico...")), "createReportAction");
    fileMenu->addSeparator();

    quitAction = named(fileMenu->addAction(tr("Salir")), "quitAction");
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

// The stored folders that still exist, newest first; the stored list loses
// the others.
void PhotoRenamerGUI::buildRecentMenu()
{
    recentMenu->clear();
    QStringList folders = readRecentFolders();
    folders.erase(std::remove_if(folders.begin(), folders.end(),
                                 [](const QString &folder) { return !QFileInfo(folder).isDir(); }),
                  folders.end());
    writeRecentFolders(folders);
    for (const QString &folder : folders) {
        QAction *action = recentMenu->addAction(QDir::toNativeSeparators(folder));
        connect(action, &QAction::triggered, this, [this, folder] {
            inputs->setFolder(folder);
            rememberFolder(folder);
        });
    }
    if (folders.isEmpty())
        recentMenu->addAction(tr("(ninguna)"))->setEnabled(false);
}

void PhotoRenamerGUI::rememberFolder(const QString &folder)
{
    writeRecentFolders(withRecentFolder(readRecentFolders(), folder));
}

// The rose is drawn over what shares its corner; each tab with a chooser of
// those corners says so.
void PhotoRenamerGUI::updateCornerWarnings()
{
    const CornerClash clash = cornerClash(optionsFrom(optionTable));
    textTab->showCornerWarning(clash.withText);
    logoTab->showCornerWarning(clash.withLogo);
    QStringList both = {clash.withText, clash.withLogo};
    both.removeAll(QString());
    compassTab->showCornerWarning(both.join(QLatin1Char('\n')));
}

void PhotoRenamerGUI::buildStatusBar()
{
    statusLabel = named(new QLabel(tr("Listo")), "statusLabel");
    statusBar()->addPermanentWidget(statusLabel);
}

// Enable rules come before the preview refresh, so a refresh sees them applied.
void PhotoRenamerGUI::connectSignals()
{
    connect(generalTab, &GeneralTab::sampleFileRequested, this, &PhotoRenamerGUI::createSampleFile);
    connect(startButton, &QPushButton::clicked, this, &PhotoRenamerGUI::startProcess);
    connect(generalTab, &GeneralTab::altitudeFillRequested, this,
            &PhotoRenamerGUI::populateAltitude);
    connect(inputs, &InputsPanel::previewOutdated, this, &PhotoRenamerGUI::updatePreview);
    connect(generalTab, &GeneralTab::previewOutdated, this, &PhotoRenamerGUI::updatePreview);
    connect(textTab, &TextTab::previewOutdated, this, &PhotoRenamerGUI::updatePreview);
    connect(compassTab, &CompassTab::previewOutdated, this, &PhotoRenamerGUI::updatePreview);
    connectEnableRules(optionTable);

    connect(inputs, &InputsPanel::folderChanged, this, &PhotoRenamerGUI::onDirectoryChanged);
    connectPreviewRefresh(optionTable, this, [this] {
        updateCornerWarnings();
        updatePreview();
    });
    connect(inputs, &InputsPanel::folderChosen, this, &PhotoRenamerGUI::rememberFolder);
    connect(chooseFolderAction, &QAction::triggered, inputs, &InputsPanel::chooseFolder);
    // Through the button, which a running job keeps disabled.
    connect(runAction, &QAction::triggered, startButton, &QPushButton::click);
    connect(loadProfileAction, &QAction::triggered, this, &PhotoRenamerGUI::loadPreset);
    connect(saveProfileAction, &QAction::triggered, this, &PhotoRenamerGUI::savePreset);
    connect(quitAction, &QAction::triggered, this, &QWidget::close);
    connect(guideAction, &QAction::triggered, this, &PhotoRenamerGUI::showGuide);
    connect(aboutAction, &QAction::triggered, this, &PhotoRenamerGUI::showAbout);

    connect(saveProfileButton, &QPushButton::clicked, this, &PhotoRenamerGUI::savePreset);
    connect(loadProfileButton, &QPushButton::clicked, this, &PhotoRenamerGUI::loadPreset);
    connect(profileCombo, &QComboBox::currentTextChanged, this,
            &PhotoRenamerGUI::loadPresetFromCombo);
    connect(settingsAction, &QAction::triggered, this, &PhotoRenamerGUI::openSettingsDialog);
    connect(exportLocationsAction, &QAction::triggered, this, &PhotoRenamerGUI::exportLocations);
    connect(restoreAction, &QAction::triggered, this, &PhotoRenamerGUI::restoreOriginals);
    connect(createReportAction, &QAction::triggered, this, &PhotoRenamerGUI::createReport);
}

void PhotoRenamerGUI::log(const QString &message)
{
    logView->appendLine(message);
}

// One guide window, brought to the front when asked for again.
void PhotoRenamerGUI::showGuide()
{
    if (!helpWindow)
        helpWindow = new HelpWindow(this);
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}

void PhotoRenamerGUI::showAbout()
{
    dialogs.information(this, tr("Acerca de Rumbario"), aboutText());
}

void PhotoRenamerGUI::openSettingsDialog()
{
    SettingsDialog dialog(this);
    if (dialogs.run(dialog) != QDialog::Accepted)
        return;
    dialog.saveSettings();
    loadSettings();
    log(tr("Configuración de salida y altitud actualizada."));
}

QString PhotoRenamerGUI::photoFolderFor(const QString &action)
{
    const QString folder = inputs->folder();
    if (QFileInfo(folder).isDir())
        return folder;
    dialogs.critical(this, tr("Error"),
                     tr("Seleccione un directorio de fotos válido antes de %1.").arg(action));
    return {};
}

void PhotoRenamerGUI::createSampleFile()
{
    const QString folder = photoFolderFor(tr("crear el archivo de ejemplo"));
    if (folder.isEmpty())
        return;
    const ProcessingOptions options = snapshotOptions(*this);
    TrackPositioning positioning;
    std::shared_ptr<const CrsTransform> crs;
    if (!prepareSampleTrack(options, positioning)
        || !chosenCrs(dialogs, this, options.outputCrs, crs))
        return;
    QString path = dialogs.saveFileName(this, tr("Guardar Archivo de Ejemplo CSV"),
                                        QStringLiteral("CSV Files (*.csv)"));
    if (path.isEmpty())
        return;
    // The dialog's filter promises a .csv file.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    // In track mode the photos' own direction, altitude and time go with the
    // track's positions.
    writeSampleCoordinatesFile(
            folder, path, inputs->includesSubfolders(),
            options.useGpxTrack || generalTab->sampleFromExif(),
            [this](const QString &line) { log(line); },
            options.useGpxTrack ? &positioning : nullptr, crs.get());
    generalTab->setCoordinatesFile(path);
}

// Reads the track the sample file is placed on, in track mode; says why not
// when it cannot be used.
bool PhotoRenamerGUI::prepareSampleTrack(const ProcessingOptions &options,
                                         TrackPositioning &positioning)
{
    QString error = generalTab->trackInputError();
    if (!options.useGpxTrack
        || (error.isEmpty()
            && prepareTrackPositioning(options.gpxPath, options.cameraTimeZone,
                                       options.clockCorrectionSeconds,
                                       options.maxPointSeparationSeconds, positioning, error)))
        return true;
    log(error);
    dialogs.critical(this, tr("Error"), error);
    return false;
}

void PhotoRenamerGUI::onDirectoryChanged()
{
    preview->showFolder(inputs->folder(), inputs->includesSubfolders());
}

void PhotoRenamerGUI::onNextPreview()
{
    preview->showNext();
}

void PhotoRenamerGUI::onPreviousPreview()
{
    preview->showPrevious();
}

void PhotoRenamerGUI::updatePreview()
{
    preview->refresh();
}

void PhotoRenamerGUI::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    preview->rescale();
}

void PhotoRenamerGUI::startProcess()
{
    const ProcessingOptions options = snapshotOptions(*this);
    const QString folder = inputs->folder();
    QString problem = runInputError(folder, logoTab->embedsLogo(), options);
    if (problem.isEmpty())
        problem = generalTab->trackInputError();
    if (!problem.isEmpty()) {
        dialogs.critical(this, tr("Error"), problem);
        return;
    }
    const QString refusal = batchStartProblem(folder, options);
    if (!refusal.isEmpty()) {
        log(refusal);
        dialogs.critical(this, tr("Error"), refusal);
        return;
    }
    rememberFolder(folder);
    log(tr("Iniciando el proceso de renombrado y modificación de fotos..."));
    const auto state = std::make_shared<BatchRunState>();
    startJob(
            tr("Procesando fotos..."), startButton, batchRunWork(options, folder, state),
            [this, state](const QString &failure) { finishRun(failure, state->outcome); },
            [state] { state->stop = true; });
}

// Shows the job's progress dialog and runs `work` on the work pool with
// `trigger` (a button or a menu action) disabled; `finish` is the completion
// step on the GUI thread and `cancel`, when given, what "Cancelar" does
// besides hiding the dialog.
void PhotoRenamerGUI::startJob(const QString &label, QObject *trigger,
                               const BackgroundJob::Work &work,
                               const BackgroundJob::Completion &finish,
                               const std::function<void()> &cancel)
{
    trigger->setProperty("enabled", false);
    BackgroundJob::Setup setup;
    setup.window = this;
    setup.dialogSlot = &progressDialog;
    setup.label = label;
    setup.appendLog = [this](const QString &line) {
        log(line);
    };
    setup.completion = finish;
    setup.cancel = cancel;
    QString error;
    if (BackgroundJob::start(setup, work, error))
        return;
    log(tr("Error durante el proceso: ") + error);
    dialogs.critical(this, tr("Error"), tr("Ocurrió un error: ") + error);
    trigger->setProperty("enabled", true);
}

void PhotoRenamerGUI::showEnd(bool warns, const QString &title, const QString &text)
{
    if (warns)
        dialogs.warning(this, title, text);
    else
        dialogs.information(this, title, text);
}

// A batch that refused to start (a track it cannot use) touched no photo and
// says why in its own box. Otherwise the box and the end of the log tell the
// same summary.
void PhotoRenamerGUI::finishRun(const QString &failure, const BatchOutcome &outcome)
{
    startButton->setEnabled(true);
    if (!failure.isEmpty()) {
        log(tr("Error durante el proceso: ") + failure);
        dialogs.critical(this, tr("Error"), tr("Ocurrió un error: ") + failure);
    } else if (!outcome.refusal.isEmpty()) {
        log(tr("\nProceso finalizado."));
        dialogs.critical(this, tr("Error"), outcome.refusal);
    } else {
        const QString summary = batchSummary(outcome).join(QLatin1Char('\n'));
        log(QLatin1Char('\n') + summary);
        showEnd(summaryWarns(outcome),
                outcome.stopped() ? tr("Proceso detenido") : tr("Completado"), summary);
    }
    onDirectoryChanged();
}

void PhotoRenamerGUI::closeEvent(QCloseEvent *event)
{
    if (!BackgroundJob::isRunningOn(this)) {
        saveSession();
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    const QString message
            = tr("Hay un proceso en curso: la ventana se podrá cerrar cuando termine.");
    log(message);
    statusBar()->showMessage(message);
}

void PhotoRenamerGUI::savePreset()
{
    const QString path = withProfileSuffix(
            dialogs.saveFileName(this, tr("Guardar Perfil"), tr("Perfiles (*.json)")));
    if (path.isEmpty())
        return;
    QString reason;
    if (!writeProfile(path, profileObject(optionTable), reason)) {
        log(tr("Error: No se pudo guardar el perfil en %1: %2").arg(path, reason));
        return;
    }
    rememberProfile(profileCombo, path);
}

void PhotoRenamerGUI::loadPreset()
{
    const QString path = dialogs.openFileName(this, tr("Cargar Perfil"), tr("Perfiles (*.json)"));
    if (!path.isEmpty())
        loadPresetFromCombo(path);
}

void PhotoRenamerGUI::loadPresetFromCombo(const QString &name)
{
    const QStringList refused = applyProfileFile(name);
    if (!refused.isEmpty())
        dialogs.warning(this, tr("Perfil"),
                        tr("El perfil tiene valores que no se pueden usar; estas opciones "
                           "conservan su valor: %1")
                                .arg(refused.join(QStringLiteral(", "))));
}

QStringList PhotoRenamerGUI::applyProfileFile(const QString &name)
{
    const std::optional<QJsonObject> profile = readProfile(profilePath(profileCombo, name));
    if (!profile)
        return {};
    const QStringList refused = applyProfile(optionTable, *profile);
    updatePreview();
    return refused;
}

void PhotoRenamerGUI::populateAltitude()
{
    AltitudeFillJob job
            = makeAltitudeFillJob(generalTab->coordinatesFile(), altitudeProvider, altitudeApiKey,
                                  generalTab->overwriteAltitudes(), elevationService);
    const QString problem = altitudeFillJobProblem(job);
    if (!problem.isEmpty()) {
        dialogs.critical(this, tr("Error"), problem);
        return;
    }
    if (!chosenCrs(dialogs, this, snapshotOptions(*this).outputCrs, job.crs))
        return;
    log(tr("Iniciando relleno de altitud desde API para el archivo: ") + job.csvPath);
    startJob(
            tr("Consultando altitudes..."), generalTab->altitudeFillButton(),
            [job](const LogCallback &jobLog, const ProgressCallback &progress) {
                runAltitudeFillJob(job, jobLog, progress);
            },
            [this](const QString &failure) { finishAltitudeFill(failure); },
            [stop = job.stop] { *stop = true; });
}

void PhotoRenamerGUI::finishAltitudeFill(const QString &failure)
{
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nRelleno de altitud finalizado."));
    dialogs.information(this, tr("Completado"),
                        tr("El proceso de relleno de altitud ha finalizado.\nEl archivo CSV ha "
                           "sido actualizado."));
    generalTab->altitudeFillButton()->setEnabled(true);
    updatePreview();
}

// Reads the photos already in a folder; it never changes them.
void PhotoRenamerGUI::exportLocations()
{
    const QString folder
            = dialogs.existingDirectory(this, tr("Seleccionar Carpeta para Exportar Ubicaciones"));
    if (folder.isEmpty())
        return;
    const bool subfolders = inputs->includesSubfolders();
    std::shared_ptr<const CrsTransform> crs;
    if (!chosenCrs(dialogs, this, snapshotOptions(*this).outputCrs, crs))
        return;
    log(tr("Exportando ubicaciones de las fotos de: ") + folder);
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<LocationExportOutcome>();
    startJob(
            tr("Exportando ubicaciones..."), exportLocationsAction,
            [folder, subfolders, stop, outcome, crs](const LogCallback &jobLog,
                                                     const ProgressCallback &progress) {
                *outcome = exportFolderLocations(folder, subfolders, jobLog, progress, stop.get(),
                                                 crs.get());
            },
            [this, folder, outcome](const QString &failure) {
                finishExport(failure, folder, *outcome);
            },
            [stop] { *stop = true; });
}

void PhotoRenamerGUI::finishExport(const QString &failure, const QString &folder,
                                   const LocationExportOutcome &outcome)
{
    exportLocationsAction->setEnabled(true);
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nExportación de ubicaciones finalizada."));
    if (outcome.stopped)
        dialogs.warning(this, tr("Exportación detenida"),
                        tr("La exportación se detuvo a petición del usuario; no se escribió "
                           "ningún archivo."));
    else if (outcome.located == 0)
        dialogs.warning(this, tr("Exportación"),
                        tr("Ninguna de las %1 fotos tiene ubicación GPS; no se escribió ningún "
                           "archivo.")
                                .arg(outcome.total));
    else if (!outcome.written || !failure.isEmpty())
        dialogs.warning(this, tr("Exportación"),
                        tr("No se pudieron escribir todos los archivos de ubicaciones; vea el "
                           "log."));
    else
        showEnd(outcome.located < outcome.total, tr("Completado"),
                tr("Se exportaron las ubicaciones de %1 de %2 fotos a %3, %4 y %5 en:\n%6")
                        .arg(outcome.located)
                        .arg(outcome.total)
                        .arg(QLatin1String(kmzFileName), QLatin1String(geoJsonFileName),
                             QLatin1String(csvFileName), QDir::toNativeSeparators(folder)));
}

// Reads the markers on the GUI thread, so the question can say what will
// happen; the restore itself runs as a job.
void PhotoRenamerGUI::restoreOriginals()
{
    const QString folder
            = dialogs.existingDirectory(this, tr("Seleccionar Carpeta para Restaurar Originales"));
    if (folder.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto plan
            = std::make_shared<RestorePlan>(planRestore(folder, inputs->includesSubfolders()));
    QApplication::restoreOverrideCursor();
    const QString title = tr("Restaurar originales");
    if (plan->items.isEmpty()) {
        dialogs.information(this, title,
                            restorePlanText(*plan) + tr("\nNo hay nada que restaurar."));
        return;
    }
    if (!dialogs.confirm(this, title, restorePlanText(*plan) + tr("\n¿Desea continuar?")))
        return;
    log(tr("Restaurando originales desde Backup en: ") + folder);
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<RestoreOutcome>();
    startJob(
            tr("Restaurando originales..."), restoreAction,
            [folder, plan, stop, outcome](const LogCallback &jobLog,
                                          const ProgressCallback &progress) {
                *outcome = ::restoreOriginals(folder, *plan, jobLog, progress, stop.get());
            },
            [this, outcome](const QString &failure) { finishRestore(failure, *outcome); },
            [stop] { *stop = true; });
}

void PhotoRenamerGUI::finishRestore(const QString &failure, const RestoreOutcome &outcome)
{
    restoreAction->setEnabled(true);
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nRestauración finalizada."));
    const QString title = tr("Restaurar originales");
    if (!outcome.refusal.isEmpty())
        dialogs.critical(this, tr("Error"), outcome.refusal);
    else if (outcome.stopped)
        dialogs.warning(this, title,
                        tr("La restauración se detuvo a petición del usuario: se restauraron %1 "
                           "fotos.")
                                .arg(outcome.restored));
    else if (outcome.notRestored > 0 || !failure.isEmpty())
        dialogs.warning(this, title,
                        tr("Se restauraron %1 fotos; %2 no se pudieron restaurar (vea el log).")
                                .arg(outcome.restored)
                                .arg(outcome.notRestored));
    else
        dialogs.information(this, title, tr("Se restauraron %1 fotos.").arg(outcome.restored));
    onDirectoryChanged();
}

// The descriptions may be stamped: the preview shows them once saved.
void PhotoRenamerGUI::editDescriptions()
{
    const QString folder = photoFolderFor(tr("editar las descripciones"));
    std::shared_ptr<const CrsTransform> crs;
    if (folder.isEmpty() || !chosenCrs(dialogs, this, snapshotOptions(*this).outputCrs, crs))
        return;
    DescriptionsDialog dialog(this, dialogs, folder, inputs->includesSubfolders(), crs.get(),
                              [this](const QString &line) { log(line); });
    dialogs.run(dialog);
    updatePreview();
}

// Reads the photos of the window's folder only; the files are written once
// complete, and "Cancelar" leaves none.
void PhotoRenamerGUI::createReport()
{
    const QString folder = photoFolderFor(tr("crear el registro fotográfico"));
    if (folder.isEmpty())
        return;
    const ProcessingOptions options = snapshotOptions(*this);
    std::shared_ptr<const CrsTransform> crs;
    if (!chosenCrs(dialogs, this, options.outputCrs, crs))
        return;
    ReportDialog dialog(this, dialogs, reportDetails, folder);
    if (dialogs.run(dialog) != QDialog::Accepted)
        return;
    reportDetails = dialog.details();
    ReportSettings settings = dialog.settings();
    settings.crs = crs;
    settings.folder = folder;
    settings.includeSubdirectories = inputs->includesSubfolders();
    settings.logoPath = options.logoPath;
    if (!options.useExif && !options.useGpxTrack && QFileInfo(options.csvPath).isFile())
        settings.captionsFile = options.csvPath;
    log(tr("Creando el registro fotográfico de las fotos de: ") + folder);
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto outcome = std::make_shared<ReportOutcome>();
    startJob(
            tr("Creando registro fotográfico..."), createReportAction,
            [settings, stop, outcome](const LogCallback &jobLog, const ProgressCallback &progress) {
                *outcome = writePhotoReport(settings, jobLog, progress, stop.get());
            },
            [this, outcome](const QString &failure) { finishReport(failure, *outcome); },
            [stop] { *stop = true; });
}

void PhotoRenamerGUI::finishReport(const QString &failure, const ReportOutcome &outcome)
{
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    if (outcome.stopped)
        dialogs.information(this, tr("Cancelado"),
                            tr("Registro fotográfico cancelado: no se escribió ningún archivo."));
    else if (!outcome.written.isEmpty())
        dialogs.information(this, tr("Completado"),
                            tr("Registro fotográfico creado:\n") + outcome.written.join('\n'));
    else
        dialogs.critical(this, tr("Error"), tr("No se pudo crear el registro fotográfico."));
    createReportAction->setEnabled(true);
}
