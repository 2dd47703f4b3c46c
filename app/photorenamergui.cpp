#include "app/photorenamergui.h"

#include "app/backgroundjob.h"
#include "app/batchrun.h"
#include "app/optionssnapshot.h"
#include "app/previewrender.h"
#include "app/previewrenderer.h"
#include "app/profile.h"
#include "app/settingsdialog.h"
#include "app/storedsettings.h"
#include "coords/samplefile.h"
#include "processing/photoprocessor.h"
#include "processing/utmname.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <initializer_list>

template<class T> static T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

static void setMarginsAndSpacing(QLayout *layout, int marginsPixels, int spacingPixels)
{
    layout->setContentsMargins(marginsPixels, marginsPixels, marginsPixels, marginsPixels);
    layout->setSpacing(spacingPixels);
}

static QHBoxLayout *row(std::initializer_list<QWidget *> widgets)
{
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *widget : widgets)
        layout->addWidget(widget);
    return layout;
}

static QComboBox *cornerCombo(const char *name, const QString &current)
{
    auto *combo = named(new QComboBox, name);
    combo->addItems({QStringLiteral("arriba-izquierda"), QStringLiteral("arriba-derecha"),
                     QStringLiteral("abajo-izquierda"), QStringLiteral("abajo-derecha")});
    combo->setCurrentText(current);
    return combo;
}

static QDoubleSpinBox *ratioSpin(const char *name, int decimals, double minimum, double maximum,
                                 double step, double value)
{
    auto *spin = named(new QDoubleSpinBox, name);
    spin->setDecimals(decimals);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(step);
    spin->setValue(value);
    return spin;
}

static QString swatchStyle(const QString &colorName)
{
    return QStringLiteral("background-color: ") + colorName;
}

static QLabel *colorSwatch(const char *name, const QString &colorName)
{
    auto *swatch = named(new QLabel, name);
    swatch->setFixedWidth(50);
    swatch->setStyleSheet(swatchStyle(colorName));
    return swatch;
}

// The options are taller than the window in coordinates-file mode and the
// window must fit screens 900 pixels tall, so the panel scrolls vertically.
// The scroll area is as wide as the panel plus its scroll bar.
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

static QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

PhotoRenamerGUI::PhotoRenamerGUI(QWidget *parent)
    : QMainWindow(parent)
    , fontPath(QCoreApplication::applicationDirPath() + QStringLiteral("/notosans.ttf"))
{
    loadSettings();

    setWindowTitle(tr("Rumbario: Renombrador/Incrustador de coordenadas UTM en fotografías"));
    resize(1280, 800);

    auto *splitter = named(new QSplitter(Qt::Horizontal), "splitter");
    splitter->addWidget(verticalScroller(buildLeftPanel()));
    splitter->addWidget(buildPreviewGroup());
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
    connectSignals();
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

QWidget *PhotoRenamerGUI::buildLeftPanel()
{
    auto *panel = named(new QWidget, "leftPanel");
    panel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    panel->setMaximumWidth(400);
    auto *layout = new QVBoxLayout(panel);
    setMarginsAndSpacing(layout, 5, 4);

    layout->addWidget(buildInputGroup());

    optionTabs = named(new QTabWidget, "optionTabs");
    optionTabs->addTab(buildGeneralTab(), tr("General"));
    optionTabs->addTab(buildTextTab(), tr("Texto"));
    optionTabs->addTab(buildLogoTab(), tr("Logo"));
    optionTabs->addTab(buildCompassTab(), tr("Rosa de Vientos"));
    layout->addWidget(optionTabs);

    startButton = named(new QPushButton(tr("Iniciar Proceso")), "startButton");
    startButton->setStyleSheet(QStringLiteral("QPushButton { font-size: 16px; padding: 8px; }"));
    layout->addLayout(row({startButton}));

    auto *logGroup = named(new QGroupBox(tr("Log de Procesos")), "logGroup");
    auto *logLayout = new QVBoxLayout(logGroup);
    logView = named(new QTextEdit, "logView");
    logView->setReadOnly(true);
    logLayout->addWidget(logView);
    // The log asks for a few lines only, so the panel scrolls only when its
    // minimum does not fit; the log's stretch still takes all spare height.
    logView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    logView->setMinimumHeight(4 * logView->fontMetrics().lineSpacing());
    layout->addWidget(logGroup, 1);
    return panel;
}

QGroupBox *PhotoRenamerGUI::buildInputGroup()
{
    auto *group = named(new QGroupBox(tr("Archivos de Entrada")), "inputGroup");
    auto *form = new QFormLayout(group);
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

    fontEdit = named(new QLineEdit(fileNameOf(fontPath)), "fontEdit");
    fontButton = named(new QPushButton(tr("Seleccionar")), "fontButton");
    form->addRow(tr("Fuente (opcional):"), row({fontEdit, fontButton}));
    return group;
}

QWidget *PhotoRenamerGUI::buildGeneralTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    setMarginsAndSpacing(layout, 5, 5);
    layout->addWidget(buildModeGroup());
    layout->addWidget(buildCsvGroup());
    layout->addWidget(buildRenameGroup());
    layout->addWidget(buildOutputGroup());
    layout->addStretch();
    return tab;
}

QGroupBox *PhotoRenamerGUI::buildModeGroup()
{
    auto *group = named(new QGroupBox(tr("Modo de Obtención de Coordenadas")), "modeGroup");
    auto *layout = new QHBoxLayout(group);
    setMarginsAndSpacing(layout, 5, 10);

    exifRadio = named(new QRadioButton(tr("Desde EXIF de las fotos")), "exifRadio");
    exifRadio->setChecked(true);
    csvRadio = named(new QRadioButton(tr("Desde archivo .csv")), "csvRadio");
    modeButtons = named(new QButtonGroup(this), "modeButtons");
    modeButtons->setExclusive(true);
    modeButtons->addButton(exifRadio);
    modeButtons->addButton(csvRadio);
    layout->addWidget(exifRadio);
    layout->addWidget(csvRadio);
    return group;
}

QGroupBox *PhotoRenamerGUI::buildCsvGroup()
{
    csvGroup = named(new QGroupBox(tr("Archivo CSV")), "csvGroup");
    auto *layout = new QVBoxLayout(csvGroup);
    setMarginsAndSpacing(layout, 5, 5);

    layout->addWidget(new QLabel(tr("Ruta del archivo:")));
    csvPathEdit = named(new QLineEdit, "csvPathEdit");
    csvButton = named(new QPushButton(tr("Seleccionar")), "csvButton");
    layout->addLayout(row({csvPathEdit, csvButton}));

    sampleButton = named(new QPushButton(tr("Crear archivo de ejemplo")), "sampleButton");
    altitudeButton = named(new QPushButton(tr("Rellenar altitud desde API")), "altitudeButton");
    layout->addLayout(row({sampleButton, altitudeButton}));

    overwriteAltitudeCheck = named(new QCheckBox(tr("Sobrescribir altitudes existentes")),
                                   "overwriteAltitudeCheck");
    sampleFromExifCheck = named(new QCheckBox(tr("Usar datos EXIF para crear el ejemplo")),
                                "sampleFromExifCheck");
    embedCsvCheck = named(new QCheckBox(tr("Incrustar datos del CSV en el EXIF")), "embedCsvCheck");
    for (QCheckBox *check : {overwriteAltitudeCheck, sampleFromExifCheck, embedCsvCheck}) {
        check->setChecked(true);
        layout->addWidget(check);
    }

    // EXIF mode is the default, and this group belongs to the other mode.
    csvGroup->setVisible(false);
    return csvGroup;
}

QGroupBox *PhotoRenamerGUI::buildRenameGroup()
{
    auto *group = named(new QGroupBox(tr("Opciones de Renombrado")), "renameGroup");
    auto *layout = new QVBoxLayout(group);
    setMarginsAndSpacing(layout, 5, 5);

    renameCheck = named(new QCheckBox(tr("Renombrar fotos con coordenadas UTM")), "renameCheck");
    renameCheck->setChecked(true);
    layout->addWidget(renameCheck);

    prefixCheck = named(new QCheckBox(tr("Agregar prefijo al nombre")), "prefixCheck");
    prefixEdit = named(new QLineEdit(QStringLiteral("XXX_XXX_SA_")), "prefixEdit");
    layout->addLayout(row({prefixCheck, prefixEdit}));
    // Says, while the prefix is typed, why a run would refuse it.
    prefixProblemLabel = named(new QLabel, "prefixProblemLabel");
    prefixProblemLabel->setStyleSheet(QStringLiteral("color: #b00020;"));
    prefixProblemLabel->setWordWrap(true);
    layout->addWidget(prefixProblemLabel);
    connect(prefixEdit, &QLineEdit::textChanged, prefixProblemLabel,
            [this](const QString &prefix) { prefixProblemLabel->setText(prefixProblem(prefix)); });
    return group;
}

QGroupBox *PhotoRenamerGUI::buildOutputGroup()
{
    auto *group = named(new QGroupBox(tr("Opciones de Salida")), "outputGroup");
    auto *layout = new QVBoxLayout(group);

    outputFolderCheck
            = named(new QCheckBox(tr("Guardar fotos modificadas en una carpeta separada")),
                    "outputFolderCheck");
    layout->addWidget(outputFolderCheck);

    outputFolderEdit = named(new QLineEdit, "outputFolderEdit");
    outputFolderButton = named(new QPushButton(tr("Seleccionar")), "outputFolderButton");
    outputFolderEdit->setEnabled(false);
    outputFolderButton->setEnabled(false);
    layout->addLayout(row({outputFolderEdit, outputFolderButton}));

    backupCheck = named(new QCheckBox(tr("Realizar copia de seguridad de las fotos originales")),
                        "backupCheck");
    backupCheck->setChecked(true);
    layout->addWidget(backupCheck);

    auto *note = new QLabel(
            tr("Nota: La copia de seguridad se ignora si se usa una carpeta de salida."));
    note->setStyleSheet(QStringLiteral("font-style: italic; color: grey;"));
    // The options panel is at most 400 pixels wide, narrower than this line.
    note->setWordWrap(true);
    layout->addWidget(note);
    return group;
}

QWidget *PhotoRenamerGUI::buildTextTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    setMarginsAndSpacing(layout, 5, 5);

    drawDataCheck = named(new QCheckBox(tr("Dibujar datos (coordenadas, fecha) en las fotos")),
                          "drawDataCheck");
    drawDataCheck->setChecked(true);
    layout->addWidget(drawDataCheck);

    auto *group = named(new QGroupBox(tr("Configuración del Texto")), "textGroup");
    auto *form = new QFormLayout(group);
    setMarginsAndSpacing(form, 5, 5);
    form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);

    const QString bottomRight = QStringLiteral("abajo-derecha");
    dtPositionCombo = cornerCombo("dtPositionCombo", bottomRight);
    coordsPositionCombo = cornerCombo("coordsPositionCombo", bottomRight);
    orientationPositionCombo = cornerCombo("orientationPositionCombo", bottomRight);
    altitudePositionCombo = cornerCombo("altitudePositionCombo", bottomRight);
    form->addRow(tr("Posición Fecha/Hora:"), dtPositionCombo);
    form->addRow(tr("Posición Coordenadas:"), coordsPositionCombo);
    form->addRow(tr("Posición Orientación:"), orientationPositionCombo);
    form->addRow(tr("Posición Altitud:"), altitudePositionCombo);

    fontSizeSpin = ratioSpin("fontSizeSpin", 4, 0.001, 0.2, 0.001, 0.03);
    // Every committed value re-renders the preview, so not on each keystroke.
    fontSizeSpin->setKeyboardTracking(false);
    form->addRow(tr("Tamaño de Fuente (ratio):"), fontSizeSpin);

    fontColorSwatch = colorSwatch("fontColorSwatch", fontColor);
    fontColorButton = named(new QPushButton(tr("Seleccionar Color")), "fontColorButton");
    form->addRow(tr("Color de Fuente:"), row({fontColorSwatch, fontColorButton}));

    drawOrientationCheck
            = named(new QCheckBox(tr("Dibujar orientación (ej: 090° E)")), "drawOrientationCheck");
    drawAltitudeCheck
            = named(new QCheckBox(tr("Dibujar altitud (ej: Alt: 123 m)")), "drawAltitudeCheck");
    drawTimeCheck = named(new QCheckBox(tr("Incluir hora (además de la fecha)")), "drawTimeCheck");
    bgTextCheck = named(new QCheckBox(tr("Agregar fondo al texto")), "bgTextCheck");
    drawGeoCheck = named(new QCheckBox(tr("Dibujar coordenadas geográficas (Lat/Lon DMS)")),
                         "drawGeoCheck");
    for (QCheckBox *check : {drawOrientationCheck, drawAltitudeCheck, drawTimeCheck, bgTextCheck})
        check->setChecked(true);
    for (QCheckBox *check :
         {drawOrientationCheck, drawAltitudeCheck, drawTimeCheck, bgTextCheck, drawGeoCheck})
        form->addRow(check);

    layout->addWidget(group);
    return tab;
}

QWidget *PhotoRenamerGUI::buildLogoTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    setMarginsAndSpacing(layout, 5, 5);

    auto *group = named(new QGroupBox(tr("Configuración del Logo")), "logoGroup");
    auto *groupLayout = new QVBoxLayout(group);
    setMarginsAndSpacing(groupLayout, 5, 5);

    logoCheck = named(new QCheckBox(tr("Incrustar logo en las fotos")), "logoCheck");
    logoCheck->setChecked(true);
    groupLayout->addWidget(logoCheck);

    auto *form = new QFormLayout;
    setMarginsAndSpacing(form, 5, 5);
    logoPositionCombo = cornerCombo("logoPositionCombo", QStringLiteral("arriba-izquierda"));
    logoRatioSpin = ratioSpin("logoRatioSpin", 2, 0.01, 0.3, 0.01, 0.2);
    form->addRow(tr("Posición del Logo:"), logoPositionCombo);
    form->addRow(tr("Tamaño del Logo (ratio):"), logoRatioSpin);
    groupLayout->addLayout(form);

    layout->addWidget(group);
    return tab;
}

QWidget *PhotoRenamerGUI::buildCompassTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    setMarginsAndSpacing(layout, 5, 5);

    compassCheck
            = named(new QCheckBox(tr("Dibujar rosa de los vientos (si hay datos de orientación)")),
                    "compassCheck");
    compassCheck->setChecked(true);
    layout->addWidget(compassCheck);

    auto *group = named(new QGroupBox(tr("Configuración de la Rosa de Vientos")), "compassGroup");
    auto *form = new QFormLayout(group);
    setMarginsAndSpacing(form, 5, 5);

    compassPositionCombo = cornerCombo("compassPositionCombo", QStringLiteral("abajo-izquierda"));
    form->addRow(tr("Posición:"), compassPositionCombo);

    compassRatioSpin = ratioSpin("compassRatioSpin", 2, 0.05, 0.5, 0.01, 0.18);
    form->addRow(tr("Tamaño (ratio):"), compassRatioSpin);

    compassStyleCombo = named(new QComboBox, "compassStyleCombo");
    compassStyleCombo->addItems(
            {tr("Estilo Puntos"), tr("Estilo Graduado"), tr("Clásico"), tr("Numerado")});
    compassStyleCombo->setCurrentIndex(2);
    form->addRow(tr("Estilo:"), compassStyleCombo);

    compassArrowSwatch = colorSwatch("compassArrowSwatch", compassArrowColor.name());
    compassArrowButton = named(new QPushButton(tr("Seleccionar Color")), "compassArrowButton");
    form->addRow(tr("Color de Flecha:"), row({compassArrowSwatch, compassArrowButton}));

    rotateCompassCheck = named(new QCheckBox(tr("Rotar rosa (flecha siempre apunta arriba)")),
                               "rotateCompassCheck");
    form->addRow(QString(), rotateCompassCheck);

    layout->addWidget(group);
    layout->addStretch();
    return tab;
}

QGroupBox *PhotoRenamerGUI::buildPreviewGroup()
{
    auto *group = named(new QGroupBox(tr("Vista Previa Interactiva")), "previewGroup");
    group->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *layout = new QVBoxLayout(group);

    previewLabel = named(
            new QLabel(tr("Seleccione una carpeta con imágenes para activar la vista previa.")),
            "previewLabel");
    previewLabel->setAlignment(Qt::AlignCenter);
    previewLabel->setWordWrap(true);
    // A large picture must never grow the window.
    previewLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(previewLabel, 1);
    previewRenderer = new PreviewRenderer(this);
    connect(previewRenderer, &PreviewRenderer::rendered, this,
            &PhotoRenamerGUI::showRenderedPreview);

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
    return group;
}

void PhotoRenamerGUI::buildMenus()
{
    QMenu *fileMenu = named(menuBar()->addMenu(tr("&Archivo")), "fileMenu");
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

    QMenu *toolsMenu = named(menuBar()->addMenu(tr("&Herramientas")), "toolsMenu");
    settingsAction = named(toolsMenu->addAction(tr("Configuración...")), "settingsAction");
}

void PhotoRenamerGUI::buildStatusBar()
{
    statusLabel = named(new QLabel(tr("Listo")), "statusLabel");
    statusBar()->addPermanentWidget(statusLabel);
}

void PhotoRenamerGUI::connectSignals()
{
    connect(folderButton, &QPushButton::clicked, this, &PhotoRenamerGUI::selectDirectory);
    connect(logoButton, &QPushButton::clicked, this, &PhotoRenamerGUI::selectLogo);
    connect(fontButton, &QPushButton::clicked, this, &PhotoRenamerGUI::selectFont);
    connect(fontColorButton, &QPushButton::clicked, this, &PhotoRenamerGUI::selectColor);
    connect(csvButton, &QPushButton::clicked, this, &PhotoRenamerGUI::selectTxt);
    connect(sampleButton, &QPushButton::clicked, this, &PhotoRenamerGUI::createSampleFile);
    connect(startButton, &QPushButton::clicked, this, &PhotoRenamerGUI::startProcess);
    connect(exifRadio, &QRadioButton::toggled, this, &PhotoRenamerGUI::toggleMode);
    connect(altitudeButton, &QPushButton::clicked, this, &PhotoRenamerGUI::populateAltitude);
    connect(compassArrowButton, &QPushButton::clicked, this,
            &PhotoRenamerGUI::selectCompassArrowColor);
    connect(outputFolderCheck, &QCheckBox::toggled, this, [this](bool on) {
        outputFolderEdit->setEnabled(on);
        outputFolderButton->setEnabled(on);
        backupCheck->setEnabled(!on);
    });
    connect(outputFolderButton, &QPushButton::clicked, this,
            &PhotoRenamerGUI::selectOutputDirectory);
    connect(previousButton, &QPushButton::clicked, this, &PhotoRenamerGUI::onPreviousPreview);
    connect(nextButton, &QPushButton::clicked, this, &PhotoRenamerGUI::onNextPreview);
    connect(renameCheck, &QCheckBox::toggled, prefixCheck, &QWidget::setEnabled);
    connect(renameCheck, &QCheckBox::toggled, this, &PhotoRenamerGUI::updatePrefixEnabled);
    connect(prefixCheck, &QCheckBox::toggled, this, &PhotoRenamerGUI::updatePrefixEnabled);
    connect(logoCheck, &QCheckBox::toggled, logoEdit, &QWidget::setEnabled);
    connect(logoCheck, &QCheckBox::toggled, logoButton, &QWidget::setEnabled);
    connect(compassCheck, &QCheckBox::toggled, rotateCompassCheck, &QWidget::setEnabled);
    connect(drawDataCheck, &QCheckBox::toggled, bgTextCheck, &QWidget::setEnabled);
    applyEnableRules();

    connect(folderEdit, &QLineEdit::textChanged, this, &PhotoRenamerGUI::onDirectoryChanged);
    connect(subdirsCheck, &QCheckBox::toggled, this, &PhotoRenamerGUI::onDirectoryChanged);

    const std::initializer_list<QWidget *> previewAffecting = {
            logoEdit,
            fontEdit,
            logoPositionCombo,
            dtPositionCombo,
            coordsPositionCombo,
            orientationPositionCombo,
            compassPositionCombo,
            logoCheck,
            compassCheck,
            drawDataCheck,
            drawOrientationCheck,
            drawTimeCheck,
            bgTextCheck,
            rotateCompassCheck,
            exifRadio,
            csvPathEdit,
            drawGeoCheck,
            drawAltitudeCheck,
            altitudePositionCombo,
            compassStyleCombo,
            compassArrowButton,
    };
    for (QWidget *control : previewAffecting)
        connectPreviewRefresh(control);
    for (QDoubleSpinBox *spin : {fontSizeSpin, logoRatioSpin, compassRatioSpin})
        connect(spin, &QDoubleSpinBox::valueChanged, this, &PhotoRenamerGUI::updatePreview);

    connect(saveProfileButton, &QPushButton::clicked, this, &PhotoRenamerGUI::savePreset);
    connect(loadProfileButton, &QPushButton::clicked, this, &PhotoRenamerGUI::loadPreset);
    connect(profileCombo, &QComboBox::currentTextChanged, this,
            &PhotoRenamerGUI::loadPresetFromCombo);
    connect(settingsAction, &QAction::triggered, this, &PhotoRenamerGUI::openSettingsDialog);
}

void PhotoRenamerGUI::applyEnableRules()
{
    prefixCheck->setEnabled(renameCheck->isChecked());
    updatePrefixEnabled();
    logoEdit->setEnabled(logoCheck->isChecked());
    logoButton->setEnabled(logoCheck->isChecked());
    rotateCompassCheck->setEnabled(compassCheck->isChecked());
    bgTextCheck->setEnabled(drawDataCheck->isChecked());
}

// Also checks the rename box when the prefix box toggles: a profile can check
// the prefix box while renaming is off, and the field must stay disabled then.
void PhotoRenamerGUI::updatePrefixEnabled()
{
    prefixEdit->setEnabled(renameCheck->isChecked() && prefixCheck->isChecked());
}

// Connects a control to updatePreview through the change signal of its kind;
// controls of other kinds are left alone.
void PhotoRenamerGUI::connectPreviewRefresh(QWidget *control)
{
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(control))
        connect(spin, &QDoubleSpinBox::valueChanged, this, &PhotoRenamerGUI::updatePreview);
    else if (auto *combo = qobject_cast<QComboBox *>(control))
        connect(combo, &QComboBox::currentTextChanged, this, &PhotoRenamerGUI::updatePreview);
    else if (qobject_cast<QCheckBox *>(control) || qobject_cast<QRadioButton *>(control))
        connect(static_cast<QAbstractButton *>(control), &QAbstractButton::toggled, this,
                &PhotoRenamerGUI::updatePreview);
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        connect(edit, &QLineEdit::textChanged, this, &PhotoRenamerGUI::updatePreview);
    else if (auto *button = qobject_cast<QPushButton *>(control))
        connect(button, &QPushButton::clicked, this, &PhotoRenamerGUI::updatePreview);
}

void PhotoRenamerGUI::chooseDirectoryFor(const QString &title, QLineEdit *field)
{
    const QString path = dialogs.existingDirectory(this, title);
    if (!path.isEmpty())
        field->setText(path);
}

void PhotoRenamerGUI::chooseFileFor(const QString &title, const QString &filter, QString &path,
                                    QLineEdit *field)
{
    const QString chosen = dialogs.openFileName(this, title, filter);
    if (chosen.isEmpty())
        return;
    path = chosen;
    field->setText(fileNameOf(chosen));
    updatePreview();
}

void PhotoRenamerGUI::selectDirectory()
{
    chooseDirectoryFor(tr("Seleccionar Directorio"), folderEdit);
}

void PhotoRenamerGUI::selectLogo()
{
    chooseFileFor(tr("Seleccionar Logo"), QStringLiteral("Image Files (*.png *.jpg *.jpeg *.tiff)"),
                  logoPath, logoEdit);
}

void PhotoRenamerGUI::selectFont()
{
    chooseFileFor(tr("Seleccionar Fuente"),
                  QStringLiteral("Font Files (*.ttf *.otf);;All Files (*)"), fontPath, fontEdit);
}

void PhotoRenamerGUI::selectTxt()
{
    const QString path
            = dialogs.openFileName(this, tr("Seleccionar Archivo CSV"),
                                   QStringLiteral("CSV Files (*.csv *.txt);;All Files (*)"));
    if (!path.isEmpty())
        csvPathEdit->setText(path);
}

void PhotoRenamerGUI::selectColor()
{
    const QColor chosen = dialogs.color(this, tr("Seleccionar Color Fuente"), QColor(fontColor));
    if (!chosen.isValid())
        return;
    fontColor = chosen.name();
    fontColorSwatch->setStyleSheet(swatchStyle(fontColor));
    updatePreview();
}

void PhotoRenamerGUI::selectCompassArrowColor()
{
    const QColor chosen = dialogs.color(this, tr("Seleccionar Color de Flecha"), compassArrowColor);
    if (!chosen.isValid())
        return;
    compassArrowColor = chosen;
    compassArrowSwatch->setStyleSheet(swatchStyle(compassArrowColor.name()));
    updatePreview();
}

void PhotoRenamerGUI::selectOutputDirectory()
{
    chooseDirectoryFor(tr("Seleccionar Carpeta de Salida"), outputFolderEdit);
}

void PhotoRenamerGUI::toggleMode()
{
    csvGroup->setVisible(csvRadio->isChecked());
    updatePreview();
}

// Lines are plain text: file names and server replies may hold '<' and '&',
// which rich text would swallow.
void PhotoRenamerGUI::log(const QString &message)
{
    QScrollBar *scrollBar = logView->verticalScrollBar();
    const bool followsEnd = scrollBar->value() == scrollBar->maximum();
    QTextCursor cursor(logView->document());
    cursor.movePosition(QTextCursor::End);
    if (!logView->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(message);
    if (followsEnd)
        scrollBar->setValue(scrollBar->maximum());
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

void PhotoRenamerGUI::createSampleFile()
{
    const QString folder = folderEdit->text();
    if (!QFileInfo(folder).isDir()) {
        dialogs.critical(this, tr("Error"),
                         tr("Seleccione un directorio de fotos válido antes de crear el archivo "
                            "de ejemplo."));
        return;
    }
    const QString path = dialogs.saveFileName(this, tr("Guardar Archivo de Ejemplo CSV"),
                                              QStringLiteral("CSV Files (*.csv)"));
    if (path.isEmpty())
        return;
    writeSampleCoordinatesFile(folder, path, subdirsCheck->isChecked(),
                               sampleFromExifCheck->isChecked(),
                               [this](const QString &line) { log(line); });
    csvPathEdit->setText(path);
}

void PhotoRenamerGUI::onDirectoryChanged()
{
    const QString folder = folderEdit->text();
    previewImages.clear();
    currentPreviewIndex = -1;
    currentPreviewPath.clear();
    previewPixmap = QPixmap();
    if (!QFileInfo(folder).isDir()) {
        showPreviewMessage(tr("El directorio seleccionado no es válido."));
        applyPreviewButtonRule();
        return;
    }
    previewImages = listPreviewPhotos(folder, subdirsCheck->isChecked());
    if (previewImages.isEmpty()) {
        showPreviewMessage(tr("No se encontraron imágenes en el directorio seleccionado."));
        applyPreviewButtonRule();
        return;
    }
    currentPreviewIndex = 0;
    showPreviewAtIndex(currentPreviewIndex);
}

void PhotoRenamerGUI::onNextPreview()
{
    if (currentPreviewIndex >= previewImages.size() - 1)
        return;
    ++currentPreviewIndex;
    showPreviewAtIndex(currentPreviewIndex);
}

void PhotoRenamerGUI::onPreviousPreview()
{
    if (currentPreviewIndex < 1)
        return;
    --currentPreviewIndex;
    showPreviewAtIndex(currentPreviewIndex);
}

// The buttons follow currentPreviewIndex, which the caller sets first.
void PhotoRenamerGUI::showPreviewAtIndex(int index)
{
    if (index < 0 || index >= previewImages.size())
        return;
    currentPreviewPath = previewImages.at(index);
    updatePreview();
    applyPreviewButtonRule();
}

void PhotoRenamerGUI::updatePreview()
{
    if (!QFileInfo(currentPreviewPath).isFile())
        return;
    previewRenderer->render({currentPreviewPath,
                             previewOptions(snapshotOptions(*this), csvPathEdit->text()),
                             previewLabel->size()});
}

// Renders of a photo no longer shown are dropped: its picture stays up until
// the new photo's is ready, and a folder message stays.
void PhotoRenamerGUI::showRenderedPreview(const QString &photoPath, const QImage &picture)
{
    if (photoPath != currentPreviewPath)
        return;
    if (picture.isNull()) {
        previewPixmap = QPixmap();
        showPreviewMessage(tr("Error al generar la vista previa."));
        return;
    }
    previewPixmap = QPixmap::fromImage(picture);
    showScaledPreview();
}

void PhotoRenamerGUI::showPreviewMessage(const QString &text)
{
    previewLabel->clear();
    previewLabel->setText(text);
}

// Always from the rendered picture, so repeated resizes never blur it.
void PhotoRenamerGUI::showScaledPreview()
{
    previewLabel->setPixmap(previewPixmap.scaled(previewLabel->size(), Qt::KeepAspectRatio,
                                                 Qt::SmoothTransformation));
}

void PhotoRenamerGUI::applyPreviewButtonRule()
{
    previousButton->setEnabled(currentPreviewIndex >= 1);
    nextButton->setEnabled(currentPreviewIndex < previewImages.size() - 1);
}

void PhotoRenamerGUI::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (previewPixmap.isNull())
        return;
    if (previewLabel->width() > 10 && previewLabel->height() > 10)
        showScaledPreview();
    // Decoded for a smaller label: decoded again for this one.
    if (previewPixmap.width() < previewLabel->width()
        && previewPixmap.height() < previewLabel->height())
        updatePreview();
}

void PhotoRenamerGUI::startProcess()
{
    const ProcessingOptions options = snapshotOptions(*this);
    const QString folder = folderEdit->text();
    const QString problem = runInputError(folder, logoCheck->isChecked(), options);
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
    log(tr("Iniciando el proceso de renombrado y modificación de fotos..."));
    startJob(tr("Procesando fotos..."), startButton, batchRunWork(options, folder),
             &PhotoRenamerGUI::finishRun);
}

// Shows the job's progress dialog and runs `work` on the work pool with
// `button` disabled; `finish` is the completion step on the GUI thread and
// `cancel`, when given, what "Cancelar" does besides hiding the dialog.
void PhotoRenamerGUI::startJob(const QString &label, QPushButton *button,
                               const BackgroundJob::Work &work,
                               void (PhotoRenamerGUI::*finish)(const QString &failure),
                               const std::function<void()> &cancel)
{
    button->setEnabled(false);
    BackgroundJob::Setup setup;
    setup.window = this;
    setup.dialogSlot = &progressDialog;
    setup.label = label;
    setup.appendLog = [this](const QString &line) {
        log(line);
    };
    setup.completion = [this, finish](const QString &failure) {
        (this->*finish)(failure);
    };
    setup.cancel = cancel;
    QString error;
    if (BackgroundJob::start(setup, work, error))
        return;
    log(tr("Error durante el proceso: ") + error);
    dialogs.critical(this, tr("Error"), tr("Ocurrió un error: ") + error);
    button->setEnabled(true);
}

void PhotoRenamerGUI::finishRun(const QString &failure)
{
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nProceso finalizado."));
    dialogs.information(this, tr("Completado"), tr("El proceso ha finalizado."));
    startButton->setEnabled(true);
    onDirectoryChanged();
}

void PhotoRenamerGUI::closeEvent(QCloseEvent *event)
{
    if (!BackgroundJob::isRunningOn(this)) {
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
    const QString path = dialogs.saveFileName(this, tr("Guardar Perfil"), tr("Perfiles (*.json)"));
    if (path.isEmpty())
        return;
    QString reason;
    if (!writeProfile(path, profileObject(profileKeys()), reason)) {
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
    const std::optional<QJsonObject> profile = readProfile(profilePath(profileCombo, name));
    if (!profile)
        return;
    applyProfile(profileKeys(), *profile);
    updatePreview();
}

std::vector<ProfileKey> PhotoRenamerGUI::profileKeys()
{
    const auto pathKey = [](const QString &name, QString &path, QLineEdit *field) {
        return ProfileKey {name, [&path] { return QJsonValue(path); },
                           [&path, field](const QJsonValue &value) {
                               path = value.toString();
                               field->setText(fileNameOf(path));
                           }};
    };
    const ProfileKey arrowColorKey {QStringLiteral("compassArrowColor"),
                                    [this] { return QJsonValue(compassArrowColor.name()); },
                                    [this](const QJsonValue &value) {
                                        compassArrowColor = arrowColorFromProfile(value);
                                        compassArrowSwatch->setStyleSheet(
                                                swatchStyle(compassArrowColor.name()));
                                    }};
    const ProfileKey fontColorKey {QStringLiteral("fontColor"),
                                   [this] { return QJsonValue(fontColor); },
                                   [this](const QJsonValue &value) {
                                       if (const auto color = textColorFromProfile(value)) {
                                           fontColor = *color;
                                           fontColorSwatch->setStyleSheet(swatchStyle(fontColor));
                                       }
                                   }};
    return {
            pathKey(QStringLiteral("logoPath"), logoPath, logoEdit),
            pathKey(QStringLiteral("fontPath"), fontPath, fontEdit),
            ratioKey(QStringLiteral("fontSizeRatio"), fontSizeSpin),
            ratioKey(QStringLiteral("logoRatio"), logoRatioSpin),
            itemTextKey(QStringLiteral("logoPosition"), logoPositionCombo),
            itemTextKey(QStringLiteral("dtPosition"), dtPositionCombo),
            itemTextKey(QStringLiteral("coordsPosition"), coordsPositionCombo),
            itemTextKey(QStringLiteral("orientationPosition"), orientationPositionCombo),
            ratioKey(QStringLiteral("compassRatio"), compassRatioSpin),
            itemTextKey(QStringLiteral("compassPosition"), compassPositionCombo),
            // "Estilo Puntos" when a profile has no style.
            itemIndexKey(QStringLiteral("compassStyle"), compassStyleCombo, 0),
            checkKey(QStringLiteral("rotateCompass"), rotateCompassCheck),
            arrowColorKey,
            checkKey(QStringLiteral("usePrefix"), prefixCheck),
            textKey(QStringLiteral("prefix"), prefixEdit),
            checkKey(QStringLiteral("renamePhotos"), renameCheck),
            checkKey(QStringLiteral("drawData"), drawDataCheck),
            checkKey(QStringLiteral("drawOrientation"), drawOrientationCheck),
            checkKey(QStringLiteral("drawTime"), drawTimeCheck),
            checkKey(QStringLiteral("addCompass"), compassCheck),
            checkKey(QStringLiteral("bgText"), bgTextCheck),
            checkKey(QStringLiteral("drawGeo"), drawGeoCheck),
            fontColorKey,
            checkKey(QStringLiteral("drawAltitude"), drawAltitudeCheck),
            itemTextKey(QStringLiteral("altitudePosition"), altitudePositionCombo),
    };
}

void PhotoRenamerGUI::populateAltitude()
{
    const AltitudeFillJob job
            = makeAltitudeFillJob(csvPathEdit->text(), altitudeProvider, altitudeApiKey,
                                  overwriteAltitudeCheck->isChecked(), elevationService);
    const QString problem = altitudeFillJobProblem(job);
    if (!problem.isEmpty()) {
        dialogs.critical(this, tr("Error"), problem);
        return;
    }
    log(tr("Iniciando relleno de altitud desde API para el archivo: ") + job.csvPath);
    startJob(
            tr("Consultando altitudes..."), altitudeButton,
            [job](const LogCallback &jobLog, const ProgressCallback &progress) {
                runAltitudeFillJob(job, jobLog, progress);
            },
            &PhotoRenamerGUI::finishAltitudeFill, [stop = job.stop] { *stop = true; });
}

void PhotoRenamerGUI::finishAltitudeFill(const QString &failure)
{
    if (!failure.isEmpty())
        log(tr("Error durante el proceso: ") + failure);
    log(tr("\nRelleno de altitud finalizado."));
    dialogs.information(this, tr("Completado"),
                        tr("El proceso de relleno de altitud ha finalizado.\nEl archivo CSV ha "
                           "sido actualizado."));
    altitudeButton->setEnabled(true);
    updatePreview();
}
