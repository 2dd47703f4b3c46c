#include "app/window/photorenamergui.h"

#include "app/optionssnapshot.h"
#include "app/storedsettings.h"
#include "app/window/abouttext.h"
#include "app/window/altitudefilltool.h"
#include "app/window/backgroundjob.h"
#include "app/window/batchrun.h"
#include "app/window/compasstab.h"
#include "app/window/cornerclash.h"
#include "app/window/crsgroup.h"
#include "app/window/descriptionstool.h"
#include "app/window/exporttool.h"
#include "app/window/generaltab.h"
#include "app/window/helpwindow.h"
#include "app/window/inputspanel.h"
#include "app/window/logotab.h"
#include "app/window/logview.h"
#include "app/window/previewpane.h"
#include "app/window/profiletool.h"
#include "app/window/reporttool.h"
#include "app/window/restoretool.h"
#include "app/window/samplefiletool.h"
#include "app/window/settingsdialog.h"
#include "app/window/texttab.h"
#include "app/window/wheelguard.h"
#include "app/window/widgetparts.h"
#include "app/window/windowmemory.h"

#include <QAction>
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
static QScrollArea *verticalScroller(QWidget *panel)
{
    auto *scroller = named(new QScrollArea, "leftScroller");
    scroller->setWidget(panel);
    guardWheel(panel);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setSizePolicy(panel->sizePolicy());
    keepContentWidth(scroller);
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

ProcessingOptions snapshotOptions(const PhotoRenamerGUI &window)
{
    return optionsFrom(window.optionTable);
}

PhotoRenamerGUI::PhotoRenamerGUI(QWidget *parent)
    : QMainWindow(parent)
{
    loadSettings();

    setWindowTitle(tr("Rumbario: Renombrador/Incrustador de coordenadas UTM en fotografías"));
    fitToScreen(*this);

    splitter = named(new QSplitter(Qt::Horizontal), "splitter");
    splitter->addWidget(buildLeftColumn());
    preview = new PreviewPane(
            [this] {
                return previewOptions(snapshotOptions(*this), generalTab->coordinatesFile());
            },
            [this] { return logoTab->missingLogoNote(); });
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
    buildTools();

    for (const OptionTable *rows :
         {&inputs->optionRows(), &generalTab->optionRows(), &textTab->optionRows(),
          &logoTab->optionRows(), &compassTab->optionRows()})
        optionTable.insert(optionTable.end(), rows->begin(), rows->end());
    OptionRow quality; // a stored setting, not a control
    quality.copy = [this](ProcessingOptions &options) {
        options.jpegQuality = jpegQuality;
    };
    optionTable.push_back(quality);
    const OptionTable reportRows = reportTool->profileRows();
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
    altitudeFillTool->setService(service);
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
    auto *layout = new QVBoxLayout(panel);
    setMarginsAndSpacing(layout, 5, 4);

    inputs = new InputsPanel(
            dialogs, QCoreApplication::applicationDirPath() + QStringLiteral("/notosans.ttf"));
    layout->addWidget(inputs);

    optionTabs = named(new QTabWidget, "optionTabs");
    optionTabs->addTab(generalTab
                       = new GeneralTab(dialogs,
                                        [this] {
                                            return folderPhotoPlaces(inputs->folder(),
                                                                     inputs->includesSubfolders());
                                        }),
                       tr("General"));
    optionTabs->addTab(textTab = new TextTab(dialogs), tr("Texto"));
    optionTabs->addTab(logoTab = new LogoTab(*inputs), tr("Logo"));
    optionTabs->addTab(compassTab = new CompassTab(dialogs), tr("Rosa de Vientos"));
    layout->addWidget(optionTabs);
    fitTabsToCurrentPage(optionTabs);
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
    descriptionsAction = named(toolsMenu->addAction(tr("Descripciones de las fotos...")),
                               "descriptionsAction");

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
            rememberRecentFolder(folder);
        });
    }
    if (folders.isEmpty())
        recentMenu->addAction(tr("(ninguna)"))->setEnabled(false);
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

// Each tool starts from its menu entry or button; the window lends it its
// dialogs, log, options and photo folder.
void PhotoRenamerGUI::buildTools()
{
    ToolHost host;
    host.window = this;
    host.dialogs = &dialogs;
    host.inputs = inputs;
    host.progressDialog = &progressDialog;
    host.log = [this](const QString &line) {
        log(line);
    };
    host.options = [this] {
        return snapshotOptions(*this);
    };
    host.reloadPhotos = [this] {
        onDirectoryChanged();
    };
    host.refreshPreview = [this] {
        updatePreview();
    };
    connect(generalTab, &GeneralTab::sampleFileRequested, new SampleFileTool(host, *generalTab),
            &SampleFileTool::start);
    connect(startButton, &QPushButton::clicked,
            new BatchRunTool(host, *generalTab, *logoTab, startButton), &BatchRunTool::start);
    altitudeFillTool = new AltitudeFillTool(host, *generalTab, altitudeProvider, altitudeApiKey);
    connect(generalTab, &GeneralTab::altitudeFillRequested, altitudeFillTool,
            &AltitudeFillTool::start);
    connect(exportLocationsAction, &QAction::triggered, new ExportTool(host, exportLocationsAction),
            &ExportTool::start);
    connect(restoreAction, &QAction::triggered, new RestoreTool(host, restoreAction),
            &RestoreTool::start);
    connect(descriptionsAction, &QAction::triggered, new DescriptionsTool(host),
            &DescriptionsTool::start);
    profileTool = new ProfileTool(host, optionTable, profileCombo);
    connect(loadProfileAction, &QAction::triggered, profileTool, &ProfileTool::load);
    connect(saveProfileAction, &QAction::triggered, profileTool, &ProfileTool::save);
    connect(loadProfileButton, &QPushButton::clicked, profileTool, &ProfileTool::load);
    connect(saveProfileButton, &QPushButton::clicked, profileTool, &ProfileTool::save);
    connect(profileCombo, &QComboBox::currentTextChanged, profileTool, &ProfileTool::loadListed);
    reportTool = new ReportTool(host, createReportAction);
    connect(createReportAction, &QAction::triggered, reportTool, &ReportTool::start);
}

void PhotoRenamerGUI::buildStatusBar()
{
    statusLabel = named(new QLabel(tr("Listo")), "statusLabel");
    statusBar()->addPermanentWidget(statusLabel);
}

// Enable rules come before the preview refresh, so a refresh sees them applied.
void PhotoRenamerGUI::connectSignals()
{
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
    connect(inputs, &InputsPanel::folderChosen, this, rememberRecentFolder);
    connect(chooseFolderAction, &QAction::triggered, inputs, &InputsPanel::chooseFolder);
    // Through the button, which a running job keeps disabled.
    connect(runAction, &QAction::triggered, startButton, &QPushButton::click);
    connect(quitAction, &QAction::triggered, this, &QWidget::close);
    connect(guideAction, &QAction::triggered, this, &PhotoRenamerGUI::showGuide);
    connect(aboutAction, &QAction::triggered, this, &PhotoRenamerGUI::showAbout);

    connect(settingsAction, &QAction::triggered, this, &PhotoRenamerGUI::openSettingsDialog);
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

QStringList PhotoRenamerGUI::applyProfileFile(const QString &name)
{
    return profileTool->apply(name);
}
