#include "app/dialogs.h"
#include "app/optionssnapshot.h"
#include "app/photorenamergui.h"
#include "tests/support/privatesettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QWidgetAction>
#include <QtTest>

#include <memory>

// What the window asked through its dialogs.
struct Asked
{
    int count = 0;
    QWidget *parent = nullptr;
    QString title;
    QString filter;
    QColor initial;
};

// Dialogs that record the question and answer with a fixed path or colour.
static Dialogs answering(Asked &asked, const QString &path, const QColor &color = QColor())
{
    Dialogs dialogs;
    dialogs.existingDirectory = [&asked, path](QWidget *parent, const QString &title) {
        asked = {asked.count + 1, parent, title, QString(), QColor()};
        return path;
    };
    dialogs.openFileName
            = [&asked, path](QWidget *parent, const QString &title, const QString &filter) {
                  asked = {asked.count + 1, parent, title, filter, QColor()};
                  return path;
              };
    dialogs.color = [&asked, color](QWidget *parent, const QString &title, const QColor &initial) {
        asked = {asked.count + 1, parent, title, QString(), initial};
        return color;
    };
    return dialogs;
}

static QSettings store()
{
    return QSettings(QStringLiteral("Rumbario"), QStringLiteral("Rumbario"));
}

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(usePrivateSettings(settingsDir.path())); }

    void init()
    {
        clearPrivateSettings();
        window = std::make_unique<PhotoRenamerGUI>();
    }

    void cleanup() { window.reset(); }

    void checkBoxesStartAtDefaults_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("enabled");
        const auto row = [](const char *text, bool checked, bool enabled) {
            QTest::newRow(text) << QString::fromUtf8(text) << checked << enabled;
        };
        row("Incluir subdirectorios", false, true);
        row("Sobrescribir altitudes existentes", true, true);
        row("Usar datos EXIF para crear el ejemplo", true, true);
        row("Incrustar datos del CSV en el EXIF", true, true);
        row("Renombrar fotos con coordenadas UTM", true, true);
        row("Agregar prefijo al nombre", false, true);
        row("Guardar fotos modificadas en una carpeta separada", false, true);
        row("Realizar copia de seguridad de las fotos originales", true, true);
        row("Dibujar datos (coordenadas, fecha) en las fotos", true, true);
        row("Dibujar orientación (ej: 090° E)", true, true);
        row("Dibujar altitud (ej: Alt: 123 m)", true, true);
        row("Incluir hora (además de la fecha)", true, true);
        row("Agregar fondo al texto", true, true);
        row("Dibujar coordenadas geográficas (Lat/Lon DMS)", false, true);
        row("Incrustar logo en las fotos", true, true);
        row("Dibujar rosa de los vientos (si hay datos de orientación)", true, true);
        row("Rotar rosa (flecha siempre apunta arriba)", false, true);
    }

    void checkBoxesStartAtDefaults()
    {
        QFETCH(QString, text);
        QFETCH(bool, checked);
        QFETCH(bool, enabled);
        QCheckBox *box = checkBox(text);
        QCOMPARE(box->isChecked(), checked);
        QCOMPARE(box->isEnabled(), enabled);
    }

    void fieldsStartAtDefaults_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("folder") << "folderEdit"
                                << "" << true;
        QTest::newRow("logo") << "logoEdit"
                              << "" << true;
        QTest::newRow("font") << "fontEdit"
                              << "notosans.ttf" << true;
        QTest::newRow("coordinates file") << "csvPathEdit"
                                          << "" << true;
        QTest::newRow("prefix") << "prefixEdit"
                                << "XXX_XXX_SA_" << false;
        QTest::newRow("output folder") << "outputFolderEdit"
                                       << "" << false;
    }

    void fieldsStartAtDefaults()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        auto *field = find<QLineEdit>(name);
        QCOMPARE(field->text(), text);
        QCOMPARE(field->isEnabled(), enabled);
    }

    void ratioSpinBoxesHaveTheirRanges_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("keyboardTracking");
        QTest::newRow("font") << "fontSizeSpin" << 0.03 << 0.001 << 0.2 << 0.001 << 4 << false;
        QTest::newRow("logo") << "logoRatioSpin" << 0.2 << 0.01 << 0.3 << 0.01 << 2 << true;
        QTest::newRow("compass") << "compassRatioSpin" << 0.18 << 0.05 << 0.5 << 0.01 << 2 << true;
    }

    void ratioSpinBoxesHaveTheirRanges()
    {
        QFETCH(QString, name);
        auto *spin = find<QDoubleSpinBox>(name);
        QTEST(spin->value(), "value");
        QTEST(spin->minimum(), "minimum");
        QTEST(spin->maximum(), "maximum");
        QTEST(spin->singleStep(), "step");
        QTEST(spin->decimals(), "decimals");
        QTEST(spin->keyboardTracking(), "keyboardTracking");
    }

    void cornerCombosStartOnTheirCorners_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("corner");
        QTest::newRow("date") << "dtPositionCombo"
                              << "abajo-derecha";
        QTest::newRow("coordinates") << "coordsPositionCombo"
                                     << "abajo-derecha";
        QTest::newRow("orientation") << "orientationPositionCombo"
                                     << "abajo-derecha";
        QTest::newRow("altitude") << "altitudePositionCombo"
                                  << "abajo-derecha";
        QTest::newRow("logo") << "logoPositionCombo"
                              << "arriba-izquierda";
        QTest::newRow("compass") << "compassPositionCombo"
                                 << "abajo-izquierda";
    }

    void cornerCombosStartOnTheirCorners()
    {
        QFETCH(QString, name);
        auto *combo = find<QComboBox>(name);
        QCOMPARE(itemsOf(combo),
                 QStringList({"arriba-izquierda", "arriba-derecha", "abajo-izquierda",
                              "abajo-derecha"}));
        QTEST(combo->currentText(), "corner");
    }

    void coloursStyleAndModeStartAtDefaults()
    {
        QCOMPARE(window->property("fontPath").toString(),
                 QCoreApplication::applicationDirPath() + "/notosans.ttf");
        QVERIFY(window->property("logoPath").toString().isEmpty());
        QCOMPARE(window->property("fontColor").toString(), QStringLiteral("#FFFFFF"));
        QCOMPARE(window->property("compassArrowColor").value<QColor>(), QColor(255, 0, 0));
        QCOMPARE(find<QLabel>("fontColorSwatch")->styleSheet(),
                 QStringLiteral("background-color: #FFFFFF"));
        QCOMPARE(find<QLabel>("compassArrowSwatch")->styleSheet(),
                 QStringLiteral("background-color: #ff0000"));

        auto *style = find<QComboBox>("compassStyleCombo");
        QCOMPARE(itemsOf(style),
                 QStringList({"Estilo Puntos", "Estilo Graduado", "Clásico", "Numerado"}));
        QCOMPARE(style->currentIndex(), 2);

        QVERIFY(find<QRadioButton>("exifRadio")->isChecked());
        QVERIFY(!find<QRadioButton>("csvRadio")->isChecked());
        QVERIFY(find<QGroupBox>("csvGroup")->isHidden());
    }

    void windowShowsTitleTabsPreviewAndStatus()
    {
        QCOMPARE(window->windowTitle(),
                 QStringLiteral("Rumbario: Renombrador/Incrustador de coordenadas UTM en "
                                "fotografías"));
        QCOMPARE(window->size(), QSize(1280, 800));
        auto *tabs = find<QTabWidget>("optionTabs");
        QStringList tabTexts;
        for (int i = 0; i < tabs->count(); ++i)
            tabTexts << tabs->tabText(i);
        QCOMPARE(tabTexts, QStringList({"General", "Texto", "Logo", "Rosa de Vientos"}));

        QCOMPARE(find<QLabel>("previewLabel")->text(),
                 QStringLiteral("Seleccione una carpeta con imágenes para activar la vista "
                                "previa."));
        QVERIFY(!find<QPushButton>("previousButton")->isEnabled());
        QVERIFY(!find<QPushButton>("nextButton")->isEnabled());
        QVERIFY(!find<QPushButton>("outputFolderButton")->isEnabled());
        QVERIFY(find<QPushButton>("startButton")->isEnabled());
        QCOMPARE(find<QLabel>("statusLabel")->parentWidget(), window->statusBar());
    }

    void menusHoldProfilesAndSettings()
    {
        const QList<QAction *> bar = window->menuBar()->actions();
        QCOMPARE(bar.size(), 2);
        QCOMPARE(bar.at(0)->text(), QStringLiteral("&Archivo"));
        QCOMPARE(bar.at(1)->text(), QStringLiteral("&Herramientas"));

        QMenu *profiles = bar.at(0)->menu()->actions().value(0)->menu();
        QVERIFY(profiles);
        QCOMPARE(profiles->title(), QStringLiteral("Perfiles"));
        QList<QWidget *> embedded;
        for (QAction *action : profiles->actions())
            embedded << qobject_cast<QWidgetAction *>(action)->defaultWidget();
        QCOMPARE(embedded.size(), 3);
        auto *list = qobject_cast<QComboBox *>(embedded.at(0));
        QVERIFY(list);
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(list->sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
        QCOMPARE(qobject_cast<QPushButton *>(embedded.at(1))->text(), QStringLiteral("Cargar"));
        QCOMPARE(qobject_cast<QPushButton *>(embedded.at(2))->text(), QStringLiteral("Guardar"));

        const QList<QAction *> tools = bar.at(1)->menu()->actions();
        QCOMPARE(tools.size(), 1);
        QCOMPARE(tools.at(0)->text(), QStringLiteral("Configuración..."));
    }

    void prefixFieldFollowsRenameAndPrefixChecks()
    {
        QCheckBox *rename = checkBox("Renombrar fotos con coordenadas UTM");
        QCheckBox *usePrefix = checkBox("Agregar prefijo al nombre");
        auto *prefix = find<QLineEdit>("prefixEdit");

        usePrefix->setChecked(true);
        QVERIFY(prefix->isEnabled());
        rename->setChecked(false);
        QVERIFY(!usePrefix->isEnabled());
        QVERIFY(!prefix->isEnabled());
        rename->setChecked(true);
        QVERIFY(usePrefix->isEnabled());
        QVERIFY(prefix->isEnabled());

        usePrefix->setChecked(false);
        rename->setChecked(false);
        rename->setChecked(true);
        QVERIFY(usePrefix->isEnabled());
        QVERIFY(!prefix->isEnabled());
    }

    // A profile may check the prefix box while renaming is off.
    void prefixFieldStaysDisabledWhileRenamingIsOff()
    {
        checkBox("Renombrar fotos con coordenadas UTM")->setChecked(false);
        checkBox("Agregar prefijo al nombre")->setChecked(true);
        QVERIFY(!find<QLineEdit>("prefixEdit")->isEnabled());
    }

    void outputFolderTakesOverFromBackup()
    {
        QCheckBox *output = checkBox("Guardar fotos modificadas en una carpeta separada");
        QCheckBox *backup = checkBox("Realizar copia de seguridad de las fotos originales");
        output->setChecked(true);
        QVERIFY(find<QLineEdit>("outputFolderEdit")->isEnabled());
        QVERIFY(find<QPushButton>("outputFolderButton")->isEnabled());
        QVERIFY(!backup->isEnabled());
        QVERIFY(backup->isChecked());
        output->setChecked(false);
        QVERIFY(!find<QLineEdit>("outputFolderEdit")->isEnabled());
        QVERIFY(!find<QPushButton>("outputFolderButton")->isEnabled());
        QVERIFY(backup->isEnabled());
    }

    void dependentControlsFollowTheirCheckBox_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QStringList>("dependents");
        QTest::newRow("logo") << "Incrustar logo en las fotos"
                              << QStringList({"logoEdit", "logoButton"});
        QTest::newRow("rose rotation")
                << "Dibujar rosa de los vientos (si hay datos de orientación)"
                << QStringList({"rotateCompassCheck"});
        QTest::newRow("text background") << "Dibujar datos (coordenadas, fecha) en las fotos"
                                         << QStringList({"bgTextCheck"});
    }

    void dependentControlsFollowTheirCheckBox()
    {
        QFETCH(QString, driver);
        QFETCH(QStringList, dependents);
        for (const bool on : {false, true}) {
            checkBox(driver)->setChecked(on);
            for (const QString &name : dependents)
                QCOMPARE(find<QWidget>(name)->isEnabled(), on);
        }
    }

    void csvGroupIsShownOnlyInCoordinatesFileMode()
    {
        auto *group = find<QGroupBox>("csvGroup");
        find<QRadioButton>("csvRadio")->setChecked(true);
        QVERIFY(!group->isHidden());
        QVERIFY(!find<QRadioButton>("exifRadio")->isChecked());
        find<QRadioButton>("exifRadio")->setChecked(true);
        QVERIFY(group->isHidden());
    }

    // Screens 900 pixels tall must still show the whole window; the options
    // panel scrolls instead of growing it.
    void coordinatesFileModeKeepsTheWindowSize()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        find<QRadioButton>("csvRadio")->click();
        QCoreApplication::processEvents();
        QVERIFY(find<QGroupBox>("csvGroup")->isVisible());
        QVERIFY(window->minimumSizeHint().height() <= 800);
        QCOMPARE(window->size(), QSize(1280, 800));
    }

    void directoryButtonsFillTheirField_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("field");
        QTest::newRow("photos") << "folderButton"
                                << "Seleccionar Directorio"
                                << "folderEdit";
        QTest::newRow("output") << "outputFolderButton"
                                << "Seleccionar Carpeta de Salida"
                                << "outputFolderEdit";
    }

    void directoryButtonsFillTheirField()
    {
        QFETCH(QString, button);
        QFETCH(QString, field);
        checkBox("Guardar fotos modificadas en una carpeta separada")->setChecked(true);
        Asked asked;
        window->setDialogs(answering(asked, QString()));
        find<QLineEdit>(field)->setText("/antes");
        find<QPushButton>(button)->click();
        QCOMPARE(asked.count, 1);
        QCOMPARE(asked.parent, window.get());
        QTEST(asked.title, "title");
        QCOMPARE(find<QLineEdit>(field)->text(), QStringLiteral("/antes"));

        window->setDialogs(answering(asked, "/fotos/campaña 2024"));
        find<QPushButton>(button)->click();
        QCOMPARE(find<QLineEdit>(field)->text(), QStringLiteral("/fotos/campaña 2024"));
    }

    void fileButtonsKeepFullPathAndShowFileName_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::newRow("logo") << "logoButton"
                              << "Seleccionar Logo"
                              << "Image Files (*.png *.jpg *.jpeg *.tiff)"
                              << "logoEdit"
                              << "logoPath"
                              << "/datos/logos/escudo.png"
                              << "escudo.png";
        QTest::newRow("font") << "fontButton"
                              << "Seleccionar Fuente"
                              << "Font Files (*.ttf *.otf);;All Files (*)"
                              << "fontEdit"
                              << "fontPath"
                              << "/datos/fuentes/Rótulo.otf"
                              << "Rótulo.otf";
        QTest::newRow("coordinates file") << "csvButton"
                                          << "Seleccionar Archivo CSV"
                                          << "CSV Files (*.csv *.txt);;All Files (*)"
                                          << "csvPathEdit"
                                          << ""
                                          << "/datos/coordenadas.txt"
                                          << "/datos/coordenadas.txt";
    }

    void fileButtonsKeepFullPathAndShowFileName()
    {
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QString, member);
        QFETCH(QString, path);
        const QString shownBefore = find<QLineEdit>(field)->text();
        const QVariant memberBefore = window->property(qPrintable(member));
        Asked asked;
        window->setDialogs(answering(asked, QString()));
        find<QPushButton>(button)->click();
        QCOMPARE(asked.count, 1);
        QCOMPARE(asked.parent, window.get());
        QTEST(asked.title, "title");
        QTEST(asked.filter, "filter");
        QCOMPARE(find<QLineEdit>(field)->text(), shownBefore);
        QCOMPARE(window->property(qPrintable(member)), memberBefore);

        window->setDialogs(answering(asked, path));
        find<QPushButton>(button)->click();
        QTEST(find<QLineEdit>(field)->text(), "shown");
        if (!member.isEmpty())
            QCOMPARE(window->property(qPrintable(member)).toString(), path);
    }

    void colourButtonsUpdateMemberAndSwatch_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QColor>("initial");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<QVariant>("chosen");
        QTest::newRow("text") << "fontColorButton"
                              << "Seleccionar Color Fuente" << QColor(Qt::white) << "fontColor"
                              << "fontColorSwatch" << QVariant(QStringLiteral("#12abcd"));
        QTest::newRow("arrow") << "compassArrowButton"
                               << "Seleccionar Color de Flecha" << QColor(Qt::red)
                               << "compassArrowColor"
                               << "compassArrowSwatch" << QVariant(QColor(0x12, 0xab, 0xcd));
    }

    void colourButtonsUpdateMemberAndSwatch()
    {
        QFETCH(QString, button);
        QFETCH(QString, member);
        QFETCH(QString, swatch);
        QFETCH(QVariant, chosen);
        const QString styleBefore = find<QLabel>(swatch)->styleSheet();
        const QVariant memberBefore = window->property(qPrintable(member));

        Asked asked;
        window->setDialogs(answering(asked, QString(), QColor()));
        find<QPushButton>(button)->click();
        QCOMPARE(asked.parent, window.get());
        QTEST(asked.title, "title");
        QTEST(asked.initial, "initial");
        QCOMPARE(window->property(qPrintable(member)), memberBefore);
        QCOMPARE(find<QLabel>(swatch)->styleSheet(), styleBefore);

        window->setDialogs(answering(asked, QString(), QColor(0x12, 0xab, 0xcd)));
        find<QPushButton>(button)->click();
        QCOMPARE(window->property(qPrintable(member)), chosen);
        QCOMPARE(find<QLabel>(swatch)->styleSheet(), QStringLiteral("background-color: #12abcd"));
    }

    // Server replies and file names can hold markup; the log shows it as typed.
    void logKeepsLinesAsPlainParagraphs()
    {
        for (const QString &line : {QStringLiteral("uno"), QStringLiteral("<b>dos</b> & tres"),
                                    QStringLiteral("\nProceso finalizado.")})
            QVERIFY(QMetaObject::invokeMethod(window.get(), "log", Q_ARG(QString, line)));
        QCOMPARE(find<QTextEdit>("logView")->toPlainText(),
                 QStringLiteral("uno\n<b>dos</b> & tres\n\nProceso finalizado."));
        QVERIFY(find<QTextEdit>("logView")->isReadOnly());
    }

    void windowReadsStoredSettings_data()
    {
        QTest::addColumn<QVariant>("storedProvider");
        QTest::addColumn<QVariant>("storedKey");
        QTest::addColumn<QVariant>("storedQuality");
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("quality");
        QTest::newRow("nothing stored") << QVariant() << QVariant() << QVariant() << "OpenTopoData"
                                        << "" << 90;
        QTest::newRow("all stored") << QVariant("Google Elevation") << QVariant("k-1")
                                    << QVariant(75) << "Google Elevation"
                                    << "k-1" << 75;
        QTest::newRow("quality above range")
                << QVariant() << QVariant() << QVariant(250) << "OpenTopoData"
                << "" << 100;
        QTest::newRow("quality zero") << QVariant() << QVariant() << QVariant(0) << "OpenTopoData"
                                      << "" << 1;
    }

    void windowReadsStoredSettings()
    {
        QFETCH(QVariant, storedProvider);
        QFETCH(QVariant, storedKey);
        QFETCH(QVariant, storedQuality);
        window.reset();
        if (storedProvider.isValid())
            store().setValue("altitude/provider", storedProvider);
        if (storedKey.isValid())
            store().setValue("altitude/apiKey", storedKey);
        if (storedQuality.isValid())
            store().setValue("output/jpegQuality", storedQuality);
        window = std::make_unique<PhotoRenamerGUI>();
        QTEST(window->property("altitudeProvider").toString(), "provider");
        QTEST(window->property("altitudeApiKey").toString(), "key");
        QTEST(window->property("jpegQuality").toInt(), "quality");
    }

    void acceptedSettingsAreStoredReloadedAndLogged()
    {
        QPointer<QDialog> shown;
        Dialogs dialogs;
        dialogs.run = [&](QDialog &dialog) {
            shown = &dialog;
            dialog.findChild<QComboBox *>()->setCurrentText("Google Elevation");
            dialog.findChild<QLineEdit *>()->setText("clave");
            dialog.findChild<QSpinBox *>()->setValue(70);
            dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
            return dialog.result();
        };
        window->setDialogs(dialogs);
        settingsAction()->trigger();

        QVERIFY(shown.isNull());
        QCOMPARE(store().value("altitude/provider").toString(), QStringLiteral("Google Elevation"));
        QCOMPARE(store().value("altitude/apiKey").toString(), QStringLiteral("clave"));
        QCOMPARE(store().value("output/jpegQuality").toInt(), 70);
        QCOMPARE(window->property("altitudeProvider").toString(),
                 QStringLiteral("Google Elevation"));
        QCOMPARE(window->property("altitudeApiKey").toString(), QStringLiteral("clave"));
        QCOMPARE(window->property("jpegQuality").toInt(), 70);
        // The next run and the next preview take it.
        QCOMPARE(snapshotOptions(*window).jpegQuality, 70);
        QCOMPARE(find<QTextEdit>("logView")->toPlainText(),
                 QStringLiteral("Configuración de salida y altitud actualizada."));
    }

    void cancelledSettingsStoreNothing()
    {
        QWidget *parent = nullptr;
        Dialogs dialogs;
        dialogs.run = [&](QDialog &dialog) {
            parent = dialog.parentWidget();
            dialog.findChild<QSpinBox *>()->setValue(10);
            dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
            return dialog.result();
        };
        window->setDialogs(dialogs);
        settingsAction()->trigger();

        QCOMPARE(parent, window.get());
        QVERIFY(store().allKeys().isEmpty());
        QCOMPARE(window->property("jpegQuality").toInt(), 90);
        QVERIFY(find<QTextEdit>("logView")->toPlainText().isEmpty());
    }

    void applicationIconIsCompiledIn()
    {
        const QImage icon(QStringLiteral(":/icon.ico"));
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.width(), icon.height());
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(icon.width() / 2, icon.height() / 2)), 255);
    }

private:
    template<class T> T *find(const QString &name) const
    {
        T *child = window->findChild<T *>(name);
        if (!child)
            qFatal("No %s named %s", T::staticMetaObject.className(), qPrintable(name));
        return child;
    }

    QCheckBox *checkBox(const QString &text) const
    {
        QCheckBox *found = nullptr;
        for (QCheckBox *box : window->findChildren<QCheckBox *>()) {
            if (box->text() != text)
                continue;
            if (found)
                qFatal("Two check boxes read %s", qPrintable(text));
            found = box;
        }
        if (!found)
            qFatal("No check box reads %s", qPrintable(text));
        return found;
    }

    QAction *settingsAction() const
    {
        return window->menuBar()->actions().at(1)->menu()->actions().at(0);
    }

    static QStringList itemsOf(const QComboBox *combo)
    {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }

    QTemporaryDir settingsDir;
    std::unique_ptr<PhotoRenamerGUI> window;
};

QTEST_MAIN(MainWindowTest)
#include "mainwindowtest.moc"
