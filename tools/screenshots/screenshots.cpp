// Makes the user guide's pictures from the program itself: writes the demo
// folder into a temporary folder, drives the real window offscreen on it and
// saves PNG pictures of the window, its tabs, a stamped photo, the four
// compass-rose styles, the settings dialog, the descriptions table with the
// demo's descriptions typed in, and three pages of the photo report.
// Usage: screenshots FOLDER
#include "app/startup.h"
#include "app/window/dialogs.h"
#include "app/window/photorenamergui.h"
#include "app/window/previewrenderer.h"
#include "app/window/settingsdialog.h"
#include "bench/demofolder.h"
#include "stamping/compassrose.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMap>
#include <QPainter>
#include <QPdfDocument>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QThread>

#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

static constexpr int maxWidth = 1280; // pixels

template<class T> static T *control(const QWidget &window, const char *name)
{
    auto *child = window.findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

static void waitUntil(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(120000);
    while (!done()) {
        if (deadline.hasExpired())
            qFatal("the window did not finish in time");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
}

// Lets the preview render the last change, off the GUI thread.
static void settle(const QWidget &window)
{
    QCoreApplication::processEvents();
    const auto *renderer = window.findChild<PreviewRenderer *>();
    waitUntil([renderer] { return !renderer->isBusy(); });
    QCoreApplication::processEvents();
}

// The pictures show the demo folder as a user's folder would be named, not
// as the temporary folder it is in: while `widget` is grabbed, its fields
// and log say "/home/usuario" where they say `demo`.
static QImage grabNeutral(QWidget &widget, const QDir &demo)
{
    const QString real = demo.absolutePath();
    const QString neutral = QStringLiteral("/home/usuario");
    std::vector<std::pair<QLineEdit *, QString>> fields;
    for (QLineEdit *field : widget.findChildren<QLineEdit *>()) {
        if (!field->text().contains(real))
            continue;
        fields.emplace_back(field, field->text());
        const QSignalBlocker quiet(field);
        field->setText(QString(field->text()).replace(real, neutral));
    }
    // The log scrolled as it was, to its newest line.
    std::vector<std::pair<QTextEdit *, QString>> logs;
    for (QTextEdit *log : widget.findChildren<QTextEdit *>()) {
        logs.emplace_back(log, log->toPlainText());
        const int scrolled = log->verticalScrollBar()->value();
        log->setPlainText(QString(log->toPlainText()).replace(real, neutral));
        log->verticalScrollBar()->setValue(scrolled);
    }
    const QImage picture = widget.grab().toImage();
    for (const auto &[field, text] : fields) {
        const QSignalBlocker quiet(field);
        field->setText(text);
    }
    for (const auto &[log, text] : logs) {
        const int scrolled = log->verticalScrollBar()->value();
        log->setPlainText(text);
        log->verticalScrollBar()->setValue(scrolled);
    }
    return picture;
}

// At most maxWidth wide, in 256 colours: screenshots are mostly flat colours,
// which an indexed palette keeps exact and compresses well.
static void save(QImage image, const QDir &out, const QString &name)
{
    if (image.width() > maxWidth)
        image = image.scaledToWidth(maxWidth, Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (!image.save(path, "PNG", 0))
        qFatal("cannot write %s", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
}

// The four styles side by side, each on a corner of a demo photo, with its
// name from the window's style list.
static QImage compassStyles(const QComboBox &styles, const QImage &photo, const QString &font)
{
    const int tile = 260, rose = 220, caption = 40;
    QImage sheet(tile * styles.count(), tile + caption, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    const QImage background = photo.copy(0, photo.height() - tile, tile, tile);
    for (int style = 0; style < styles.count(); ++style) {
        const QRect cell(style * tile, 0, tile, tile);
        painter.drawImage(cell.topLeft(), background);
        const QImage drawn
                = renderCompassRose(35.0, rose, 0.18, font, false, style, QColor(255, 0, 0));
        painter.drawImage(cell.center() - drawn.rect().center(), drawn);
        painter.drawText(QRect(cell.left(), tile, tile, caption), Qt::AlignCenter,
                         styles.itemText(style));
    }
    return sheet;
}

// The first page (title block), the first photo blocks and the map page of
// the report, as a reader shows them.
static void reportPictures(const QString &pdfPath, const QDir &out)
{
    QPdfDocument pdf;
    if (pdf.load(pdfPath) != QPdfDocument::Error::None || pdf.pageCount() < 3)
        qFatal("the report was not written");
    int mapPage = pdf.pageCount() - 1;
    while (mapPage > 0
           && !pdf.getAllText(mapPage).text().contains(
                   QStringLiteral("Ubicación de las fotografías")))
        --mapPage;
    const auto page = [&pdf](int index) {
        const QSizeF points = pdf.pagePointSize(index);
        QImage image = pdf.render(index, (points * 1.25).toSize());
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        return flat;
    };
    save(page(0), out, QStringLiteral("registro-pagina"));
    save(page(1), out, QStringLiteral("registro-fotos"));
    save(page(mapPage), out, QStringLiteral("registro-mapa"));
}

// What the guide's demo photos show, typed into the descriptions table.
static const QStringList demoDescriptions {
        QStringLiteral("Acceso al área de estudio desde el camino público"),
        QStringLiteral("Quebrada seca, vista aguas arriba"),
        QStringLiteral("Talud norte del rajo"),
        QStringLiteral("Pozo de monitoreo PM-3"),
        QStringLiteral("Vegetación en la ladera sur"),
        QStringLiteral("Punto de muestreo de suelos S-2"),
        QStringLiteral("Cerco perimetral, esquina poniente"),
        QStringLiteral("Vista general hacia el campamento"),
};

// Types the demo's descriptions, waits for the thumbnails, grabs the table
// and saves the descriptions into the photos.
static int describePhotos(QDialog &dialog, const QDir &demo, const QDir &out)
{
    auto *table = control<QTableWidget>(dialog, "descriptionsTable");
    for (int row = 0; row < table->rowCount() && row < demoDescriptions.size(); ++row)
        table->item(row, table->columnCount() - 1)->setText(demoDescriptions.at(row));
    dialog.resize(1100, 520);
    dialog.show();
    waitUntil([table] {
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 0)->icon().isNull())
                return false;
        }
        return true;
    });
    table->resizeColumnsToContents();
    QCoreApplication::processEvents();
    save(grabNeutral(dialog, demo), out, QStringLiteral("descripciones"));
    control<QAbstractButton>(dialog, "saveDescriptionsButton")->click();
    return int(QDialog::Accepted);
}

static void takePictures(const QDir &demo, const QDir &out)
{
    QMap<QString, QString> answers; // file and folder dialogs, by title
    answers.insert(QStringLiteral("Seleccionar Directorio"),
                   demo.filePath(QStringLiteral("fotos")));
    answers.insert(QStringLiteral("Seleccionar Logo"), demo.filePath(QStringLiteral("logo.png")));
    answers.insert(QStringLiteral("Seleccionar Archivo CSV"),
                   demo.filePath(QStringLiteral("coordenadas.txt")));
    answers.insert(QStringLiteral("Seleccionar Carpeta de Salida"),
                   demo.filePath(QStringLiteral("procesadas")));
    demo.mkpath(QStringLiteral("procesadas"));
    bool finished = false;
    Dialogs dialogs;
    // The descriptions table, then the report dialog as it opens, with the
    // project's data typed in.
    dialogs.run = [&demo, &out](QDialog &dialog) {
        if (dialog.objectName() == QLatin1String("descriptionsDialog"))
            return describePhotos(dialog, demo, out);
        dialog.findChild<QLineEdit *>(QStringLiteral("reportProjectEdit"))
                ->setText(QStringLiteral("Línea base ambiental Quebrada Honda"));
        dialog.findChild<QLineEdit *>(QStringLiteral("reportClientEdit"))
                ->setText(QStringLiteral("Minera Ejemplo S.A."));
        dialog.findChild<QLineEdit *>(QStringLiteral("reportAuthorEdit"))
                ->setText(QStringLiteral("Ana Pérez"));
        return int(QDialog::Accepted);
    };
    dialogs.existingDirectory = [&answers](QWidget *, const QString &title) {
        return answers.value(title);
    };
    dialogs.openFileName = [&answers](QWidget *, const QString &title, const QString &) {
        return answers.value(title);
    };
    dialogs.critical = [](QWidget *, const QString &, const QString &text) {
        qFatal("the window reported: %s", qPrintable(text));
    };
    dialogs.information = [&finished](QWidget *, const QString &, const QString &) {
        finished = true;
    };
    dialogs.warning = dialogs.information;

    PhotoRenamerGUI window;
    window.setDialogs(dialogs);
    // The window's own size, which the offscreen screen would shrink.
    window.resize(1280, 800);
    window.show();
    const auto click = [&window](const char *name) {
        control<QAbstractButton>(window, name)->click();
        settle(window);
    };
    auto *tabs = control<QTabWidget>(window, "optionTabs");
    const auto tabPicture = [&](int tab, const QString &name) {
        tabs->setCurrentIndex(tab);
        settle(window);
        save(grabNeutral(*tabs, demo), out, name);
    };

    click("folderButton");
    click("logoButton");
    save(grabNeutral(window, demo), out, QStringLiteral("ventana"));
    tabPicture(1, QStringLiteral("pestana-texto"));
    tabPicture(2, QStringLiteral("pestana-logo"));
    tabPicture(3, QStringLiteral("pestana-rosa"));
    click("outputFolderCheck");
    click("outputFolderButton");
    tabPicture(0, QStringLiteral("pestana-general"));

    click("startButton");
    waitUntil([&finished] { return finished; });
    settle(window);
    save(grabNeutral(window, demo), out, QStringLiteral("proceso-terminado"));
    const QDir done(demo.filePath(QStringLiteral("procesadas")));
    const QStringList stamped = done.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    if (stamped.isEmpty())
        qFatal("the run saved no photo");
    save(QImage(done.filePath(stamped.first())).scaledToWidth(960, Qt::SmoothTransformation), out,
         QStringLiteral("foto-estampada"));
    save(compassStyles(*control<QComboBox>(window, "compassStyleCombo"),
                       QImage(demo.filePath(QStringLiteral("fotos/IMG_0001.jpg"))),
                       window.property("fontPath").toString()),
         out, QStringLiteral("rosas"));

    click("csvRadio");
    click("csvButton");
    tabPicture(0, QStringLiteral("general-archivo"));

    control<QAction>(window, "descriptionsAction")->trigger();
    finished = false;
    control<QAction>(window, "createReportAction")->trigger();
    waitUntil([&finished] { return finished; });
    reportPictures(demo.filePath(QStringLiteral("fotos/registro_fotografico.pdf")), out);

    SettingsDialog settings(&window);
    settings.findChild<QComboBox *>()->setCurrentText(QStringLiteral("Google Elevation"));
    settings.show();
    QCoreApplication::processEvents();
    save(settings.grab().toImage(), out, QStringLiteral("configuracion"));
    settings.hide();

    // The guide as the program shows it, from the copy beside this tool.
    control<QAction>(window, "guideAction")->trigger();
    auto *help = control<QWidget>(window, "helpWindow");
    QCoreApplication::processEvents();
    save(help->grab().toImage(), out, QStringLiteral("ayuda"));
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "Usage: screenshots FOLDER\n");
        return 2;
    }
    QTemporaryDir work;
    // The pictures show a fresh window, and the user's stored settings stay untouched.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, work.path());
    prepareApplication(app);
    const QDir out(app.arguments().at(1));
    QString error;
    if (!work.isValid() || !out.mkpath(QStringLiteral("."))
        || !writeDemoFolder(work.filePath(QStringLiteral("demo")), error)) {
        std::fprintf(stderr, "Cannot prepare the demo folder: %s\n", qPrintable(error));
        return 1;
    }
    takePictures(QDir(work.filePath(QStringLiteral("demo"))), out);
    return 0;
}
