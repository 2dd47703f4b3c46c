#include "app/startup.h"
#include "image/photoloader.h"
#include "processing/folderlock.h"
#include "tests/support/fakeelevationserver.h"
#include "tests/support/files.h"
#include "tests/support/testphotos.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>

Q_DECLARE_METATYPE(FakeReply)

// The program run as a command in a child process with no display, as on a
// server; stored settings live in the test's own folder.
struct Outcome
{
    int code = -1;
    QString out;
    QString err;
};

// A photo's bytes without the date of the run that stamped it, which differs
// between runs.
static QByteArray withoutRunDate(QByteArray photo)
{
    const int at = photo.indexOf("rumbario:stampDate=\"");
    if (at >= 0)
        photo.remove(at, photo.indexOf('"', at + 20) - at);
    return photo;
}

class CommandLineTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    int folders = 0;
    QMap<QString, QByteArray> originals; // photos of the killed and starved runs

    QProcessEnvironment environment(const QString &apiKey = QString())
    {
        auto env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("RUMBARIO_API_KEY"), apiKey);
        return env;
    }

    // Runs the event loop meanwhile, so a server of this thread can answer.
    Outcome run(QProcess &process, const QStringList &arguments, const QString &apiKey = {})
    {
        process.setProcessEnvironment(environment(apiKey));
        QEventLoop loop;
        connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        process.start(QStringLiteral(RUMBARIO_PATH), arguments);
        if (process.waitForStarted())
            loop.exec();
        return {process.state() == QProcess::NotRunning ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    Outcome run(const QStringList &arguments, const QString &apiKey = {})
    {
        QProcess process;
        return run(process, arguments, apiKey);
    }

    // A new folder of two photos with GPS, plus one cut in half when named:
    // `brokenPhoto` is its name's bytes, which need not be text.
    QString photoFolder(const QByteArray &brokenPhoto = {})
    {
        const QString folder = dir.filePath(QStringLiteral("fotos%1").arg(++folders));
        for (const char *name : {"a.jpg", "b.jpg"})
            writeTestPhoto(QDir(folder).filePath(QLatin1String(name)), gpsPhoto());
        const QByteArray whole = fileBytes(QDir(folder).filePath(QStringLiteral("a.jpg")));
        std::FILE *broken = brokenPhoto.isEmpty()
                ? nullptr
                : std::fopen(QFile::encodeName(folder) + "/" + brokenPhoto, "w");
        if (broken) {
            std::fwrite(whole.constData(), 1, size_t(whole.size() / 2), broken);
            std::fclose(broken);
        }
        return folder;
    }

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QVERIFY(writeBytes(dir.filePath(name), bytes));
    }

    QString freshBatch(const QString &name)
    {
        for (auto it = originals.cbegin(); it != originals.cend(); ++it)
            if (!writeBytes(dir.filePath(name + "/" + it.key()), it.value()))
                qFatal("cannot write %s", qPrintable(it.key()));
        return dir.filePath(name);
    }

    // The runs that keep the photos' names, so each compares with a reference run.
    QStringList keepingNames(const QString &folder) const
    {
        return {"procesar", folder, "--perfil", dir.filePath("sin-renombrar.json")};
    }

    // A new folder of one photo with GPS at `latitude`, `longitude`.
    QString placeFolder(const QString &name, double latitude, double longitude)
    {
        const QString folder = dir.filePath(QStringLiteral("lugar%1").arg(++folders));
        TestPhoto photo = gpsPhoto();
        photo.latitude = latitude;
        photo.longitude = longitude;
        writeTestPhoto(QDir(folder).filePath(name), photo);
        return folder;
    }

    // "@F" stands for a new photo folder, "@S" for a new folder of one photo
    // without GPS, "@T" and "@L" for one of a photo in Tokyo and in London,
    // "@D" for the test's folder, "@E" for an empty argument.
    QStringList expand(QStringList arguments, const QString &folder)
    {
        if (arguments.contains(QStringLiteral("@S"))) {
            const QString withoutGps = dir.filePath(QStringLiteral("sin-gps%1").arg(++folders));
            writeTestPhoto(withoutGps + QStringLiteral("/sin gps.jpg"));
            arguments.replaceInStrings(QStringLiteral("@S"), withoutGps);
        }
        if (arguments.contains(QStringLiteral("@T")))
            arguments.replaceInStrings(QStringLiteral("@T"),
                                       placeFolder(QStringLiteral("tokio.jpg"), 35.68, 139.69));
        if (arguments.contains(QStringLiteral("@L")))
            arguments.replaceInStrings(QStringLiteral("@L"),
                                       placeFolder(QStringLiteral("londres.jpg"), 51.5, -0.12));
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@E$")), QString());
        return arguments.replaceInStrings(QStringLiteral("@F"), folder)
                .replaceInStrings(QStringLiteral("@D"), dir.path());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        writeFile(QStringLiteral("perfil-roto.json"), "[1, 2]");
        writeFile(QStringLiteral("sin-renombrar.json"),
                  R"({"renamePhotos": false, "drawData": false})");
        writeFile(QStringLiteral("dejar.json"), R"({"photosWithoutPosition": "sinProcesar"})");
        // The photos' own position, at their capture time in Santiago.
        writeFile(QStringLiteral("t.gpx"),
                  R"(<gpx xmlns="http://www.topografix.com/GPX/1/1"><trk><trkseg>)"
                  R"(<trkpt lat="-33.45" lon="-70.66"><time>2024-03-05T17:30:00Z</time></trkpt>)"
                  R"(<trkpt lat="-33.45" lon="-70.66"><time>2024-03-05T17:31:00Z</time></trkpt>)"
                  R"(</trkseg></trk></gpx>)");
        writeFile(QStringLiteral("roto.gpx"), "<gpx><trk>");
        writeFile(QStringLiteral("psad56.json"), R"({"outputCrs": "EPSG:24879"})");
        writeFile(QStringLiteral("crs-roto.json"), R"({"outputCrs": "EPSG:4326"})");
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sin_fotos")));
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))), 0600) == 0);
        writeFile(QStringLiteral("exportar.json"), R"({"exportLocations": true})");
        writeFile(QStringLiteral("reloj-malo.json"),
                  R"({"cameraTimeZone": "America/Santiajo", "clockCorrection": "+99:99:99"})");
        // A folder where the location table should go cannot be replaced.
        writeFile(QStringLiteral("salida/ubicaciones.csv/x"), "x");
        for (int i = 0; i < 4; ++i) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(makeNaturalImage(1600, 1200, unsigned(i + 1)).save(&buffer, "JPEG", 90));
            originals[QStringLiteral("foto %1.jpg").arg(i)] = buffer.data();
        }
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("brokenPhoto");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("named"); // in standard error, or in the output for exit 1
        const auto row = [](const char *tag, const QString &arguments, bool broken, int code,
                            const char *named) {
            QTest::newRow(tag) << arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts)
                               << QByteArray(broken ? "roto.jpg" : "") << code
                               << QString::fromUtf8(named);
        };
        row("lote correcto", "procesar @F", false, 0, "");
        row("foto dañada", "procesar @F --sin-backup", true, 1, "");
        QTest::newRow("nombre que no es texto")
                << QStringList {"procesar", "@F"} << QByteArray("Pe\xF1on.jpg") << 1 << "Se omite ";
        for (const char *option : {"--csv", "--gpx", "--perfil"})
            row(option, QStringLiteral("procesar @F %1 @D/fifo").arg(option), false, 2,
                "fifo» no es un archivo común");
        row("ventana sin pantalla", "", false, 1, "DISPLAY");
        row("orden desconocida", "renombrar @F", false, 2, "renombrar");
        row("calidad fuera de rango", "procesar @F --calidad 101", false, 2, "--calidad");
        row("csv inexistente", "procesar @F --csv @D/nada.csv", false, 2, "--csv");
        row("perfil sin objeto", "procesar @F --perfil @D/perfil-roto.json", false, 2, "--perfil");
        const QString track = "procesar @F --sin-backup --gpx @D/t.gpx ";
        row("csv y gpx", track + "--csv @D/t.gpx", false, 2, "--csv");
        row("perfil con reloj mal escrito", track + "--perfil @D/reloj-malo.json", false, 2,
            "cameraTimeZone, clockCorrection");
        row("corrección mal escrita", track + "--correccion-reloj 1h", false, 2,
            "--correccion-reloj");
        row("zona sin región", track + "--zona-horaria Santiago", false, 2, "America/Santiago");
        row("sin GPS, coordenadas fijas", "procesar @S", false, 1,
            "1 foto(s) con coordenadas fijas y 0 sin posición");
        row("sin GPS, sin procesar", "procesar @S --perfil @D/dejar.json", false, 1,
            "0 foto(s) con coordenadas fijas y 1 sin posición");
        row("gpx mal formado", "procesar @F --gpx @D/roto.gpx", false, 1, "no es XML válido");
        row("reloj corregido fuera del track",
            track + "--zona-horaria America/Santiago --correccion-reloj +01:00:00", false, 1, "");
        row("exportar", "exportar @F --subcarpetas", false, 0, "");
        row("exportar sin ubicaciones", "exportar @D/sin_fotos", false, 1, "");
        row("restaurar sin carpeta", "restaurar @D/nada", false, 2, "CARPETA");
        row("logo ilegible", "procesar @F --logo @D/roto.gpx", false, 1, "");
        row("ubicaciones sin escribir", "procesar @F --perfil @D/exportar.json --salida @D/salida",
            false, 1, "");
        row("sistema no proyectado", "procesar @F --crs EPSG:4326", false, 2, "--crs");
        row("sistema del perfil desconocido", "procesar @F --perfil @D/crs-roto.json", false, 2,
            "--perfil (outputCrs)");
        row("exportar a un sistema desconocido", "exportar @F --crs EPSG:999999", false, 2,
            "--crs");
        row("informe en un sistema desconocido", "informe @F --crs EPSG:9999999", false, 2,
            "--crs");
        row("altitud en un sistema desconocido", "altitud @D/perfil-roto.json --crs EPSG:999999",
            false, 2, "--crs");
        row("informe", "informe @F --formato ambos --pagina carta", false, 0, "");
        row("informe con bloque de título",
            "informe @F --titulo Anexo --codigo MN-1 --revision B --elaborado Ana --revisado Luis "
            "--aprobado María --empresa Andes --portada --indice",
            false, 0, "");
        row("formato de informe desconocido", "informe @F --formato odt", false, 2, "--formato");
        row("informe con descripciones de un archivo que no existe",
            "informe @F --csv @D/no-existe.csv", false, 2, "--csv");
        row("3 fotos por página", "informe @F --fotos-por-pagina 3", false, 2,
            "--fotos-por-pagina");
        row("proveedor desconocido", "altitud @D/perfil-roto.json --proveedor Bing", false, 2,
            "--proveedor");
        row("informe a un nombre vacío", "informe @F --salida @E", false, 2, "--salida");
        row("informe a una carpeta", "informe @F --salida @D/", false, 2, "--salida");
        row("informe con un archivo ilegible", "informe @F", true, 1,
            "No se pudo leer roto.jpg, queda fuera del registro: el archivo JPEG está cortado");
        row("informe sin fotos", "informe @D/sin_fotos", false, 1, "No hay ninguna foto");
        row("exportar con un archivo ilegible", "exportar @F", true, 1,
            "No se pudo leer roto.jpg, se omite: el archivo JPEG está cortado");
        row("sistema vacío", "exportar @F --crs @E", false, 2, "--crs: falta el sistema");
    }

    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, brokenPhoto);
        QFETCH(int, code);
        QFETCH(QString, named);
        const QString folder = photoFolder(brokenPhoto);
        const auto before = folderContents(folder);
        // A bad argument writes nothing, not even where the command runs.
        QTemporaryDir workingFolder;
        QProcess process;
        process.setWorkingDirectory(workingFolder.path());
        const Outcome outcome = run(process, expand(arguments, folder));
        QVERIFY2(outcome.code == code, qPrintable(outcome.err + outcome.out));
        QVERIFY2((outcome.err + outcome.out).contains(named), qPrintable(outcome.err));
        if (code == 2) {
            QVERIFY(folderContents(workingFolder.path()).isEmpty());
            QCOMPARE(folderContents(folder), before);
        }
    }

    // The same system gives the same warnings in every command; systems
    // whose axes are no easting and northing are refused, a deprecated one
    // named with its replacement; PROJ never goes online, whatever the
    // environment says; rows must name a place in the system.
    void clientSystemsBehaveAlikeInEveryCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment"); // NAME=value
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<bool>("untouched"); // the photo folder stays as it was
        const auto row
                = [](const char *tag, const QString &arguments, int code, const QStringList &said,
                     bool untouched, const QStringList &environment = {}) {
                      QTest::newRow(tag) << arguments.split(QLatin1Char(' ')) << environment << code
                                         << said << untouched;
                  };
        row("oeste y sur (Lo19)", "procesar @F --crs EPSG:2048", 2,
            {"--crs: EPSG:2048 (Hartebeesthoek94 / Lo19) no se puede usar: sus ejes (Westing, "
             "Southing) apuntan al oeste y sur"},
            true);
        row("sur y oeste (Krovak)", "informe @F --crs EPSG:5513", 2, {"apuntan al sur y oeste"},
            true);
        row("obsoleto", "exportar @F --crs EPSG:2037", 0, {"su reemplazo es EPSG:2960"}, false);
        const QStringList outside = {"tokio.jpg queda fuera del área de uso de EPSG:24879",
                                     "Fotos fuera del área de uso de EPSG:24879: 1."};
        row("fuera del área: exportar", "exportar @T --crs EPSG:24879", 0, outside, false);
        row("fuera del área: informe", "informe @T --crs EPSG:24879", 0, outside, false);
        row("fuera del área: ejemplo", "ejemplo @T @D/tokio.csv --crs EPSG:24879", 0, outside,
            true);
        row("fuera del área: procesar", "procesar @T --crs EPSG:24879", 0,
            {outside.first(),
             "Fotos fuera del área de uso del sistema de coordenadas: 1 (tokio.jpg)."},
            false);
        row("PROJ_NETWORK=ON", "exportar @L --crs EPSG:27700", 0, {"Fotos con ubicación: 1 de 1."},
            false, {"PROJ_NETWORK=ON", "PROJ_NETWORK_ENDPOINT=http://127.0.0.1:9"});
        row("fila sin lugar en el sistema", "procesar @F --csv @D/imposible.csv --crs EPSG:24879",
            1, {"Northing inválido para a.jpg: -99999999"}, true);
    }

    void clientSystemsBehaveAlikeInEveryCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        writeFile(QStringLiteral("imposible.csv"), "a.jpg;19;H;345896;-99999999\n");
        const QString folder = photoFolder();
        const QStringList expanded = expand(arguments, folder);
        const QString photos = expanded.at(1);
        const auto before = folderContents(photos);
        QProcess process;
        auto env = this->environment();
        const QString data = dir.filePath(QStringLiteral("datos"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        for (const QString &setting : environment)
            env.insert(setting.section('=', 0, 0), setting.section('=', 1));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(RUMBARIO_PATH), expanded);
        QVERIFY(process.waitForFinished(120000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput())
                + QString::fromUtf8(process.readAllStandardError());
        QFETCH(int, code);
        QVERIFY2(process.exitCode() == code, qPrintable(out));
        QFETCH(QStringList, said);
        for (const QString &part : said)
            QVERIFY2(out.contains(part), qPrintable(part + " / " + out));
        QFETCH(bool, untouched);
        if (untouched)
            QCOMPARE(folderContents(photos), before);
        QVERIFY(!QFileInfo::exists(data + QStringLiteral("/proj")));
    }

    // Each command's help lists its own arguments, not its name, and says
    // what --crs does for it.
    void eachHelpDescribesItsCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("crsEffect"); // empty: no --crs
        QTest::newRow("procesar") << "procesar" << QStringList {"CARPETA"}
                                  << "Sistema de los nombres, las coordenadas estampadas";
        QTest::newRow("informe") << "informe" << QStringList {"CARPETA"}
                                 << "Sistema del este y el norte de las tablas y del mapa";
        QTest::newRow("exportar") << "exportar" << QStringList {"CARPETA"}
                                  << "norte de los archivos de ubicaciones.";
        QTest::newRow("ejemplo") << "ejemplo" << QStringList {"CARPETA", "ARCHIVO"}
                                 << "el norte de cada fila.";
        QTest::newRow("altitud") << "altitud" << QStringList {"ARCHIVO"}
                                 << "para consultar la altitud.";
        QTest::newRow("restaurar") << "restaurar" << QStringList {"CARPETA"} << "";
    }

    void eachHelpDescribesItsCommand()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, arguments);
        QFETCH(QString, crsEffect);
        const Outcome outcome = run({command, "--help"});
        QCOMPARE(outcome.code, 0);
        const QString help = outcome.out;
        const auto listed = [&help](const QString &name) {
            return help.contains(QRegularExpression("^\\s+" + name + "\\s",
                                                    QRegularExpression::MultilineOption));
        };
        QVERIFY2(help.contains("rumbario " + command + " ") && !listed(command), qPrintable(help));
        for (const QString &argument : arguments)
            QVERIFY2(listed(argument), qPrintable(argument));
        QCOMPARE(help.contains("--crs"), !crsEffect.isEmpty());
        QVERIFY2(help.simplified().contains(crsEffect), qPrintable(help));
    }

    // The lock is on the folder itself: a run with another runtime folder
    // sees it, and a run leaves nothing behind.
    void folderInUseIsRefusedWhateverTheRuntimeFolder()
    {
        const QString folder = photoFolder();
        const QString runtime = dir.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        QStringList arguments = keepingNames(folder);
        QProcess process;
        auto env = environment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        process.setProcessEnvironment(env);
        {
            FolderLock other;
            QVERIFY(other.tryLock({folder}).isEmpty());
            process.start(QStringLiteral(RUMBARIO_PATH), arguments);
            QVERIFY(process.waitForFinished(60000));
            QCOMPARE(process.exitCode(), 1);
            QVERIFY(process.readAllStandardError().contains("Otro proceso ya está trabajando"));
        }
        process.start(QStringLiteral(RUMBARIO_PATH), arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QDir(runtime).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
        QCOMPARE(fileNames(folder), QStringList({"a.jpg", "b.jpg"}));
    }

    // The last line says what became of the file, and the exit code agrees:
    // a request refused once and answered on its retry fills every row.
    void altitudeFillEndsWithWhatBecameOfTheFile_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("retried to the end")
                << FakeReply {FakeReply::Whole, 429, "{}", {}, 0} << 0
                << "El proceso de relleno de altitud ha finalizado. El archivo CSV ha sido "
                   "actualizado: altitudes obtenidas para 1 de 1 filas.";
        QTest::newRow("no data for the row")
                << FakeReply {FakeReply::Whole,
                              200,
                              R"({"results":[{"elevation":null}],"status":"OK"})",
                              {},
                              0}
                << 1
                << "No se obtuvo ninguna altitud (0 de 1 filas consultadas): el archivo CSV no "
                   "tiene altitudes nuevas. Vea el registro.";
    }

    void altitudeFillEndsWithWhatBecameOfTheFile()
    {
        QFETCH(FakeReply, reply);
        QFETCH(int, code);
        QFETCH(QString, lastLine);
        FakeElevationServer server;
        QVERIFY(server.start());
        server.queueReply(reply);
        writeFile("altitudes.csv",
                  "nombre;zona;letra;easting;northing\na.jpg;19;H;345678;6301234\n");
        const Outcome outcome = run({"altitud", dir.filePath("altitudes.csv"), "--proveedor",
                                     "OpenTopoData", "--servidor", server.baseUrl()});
        QVERIFY2(outcome.code == code, qPrintable(outcome.out));
        QCOMPARE(outcome.out.trimmed().split('\n').last(), lastLine);
    }

    // "--salida" names both files, whatever its ending; the photos stay as they were.
    void reportGoesWhereAsked()
    {
        const QString folder = photoFolder();
        const auto before = folderContents(folder);
        const Outcome outcome = run({"informe", folder, "--formato", "ambos", "--salida",
                                     dir.filePath("anexo 1.docx"), "--proyecto", "Mina"});
        QVERIFY2(outcome.code == 0, qPrintable(outcome.err));
        QCOMPARE(folderContents(folder), before);
        for (const char *name : {"anexo 1.pdf", "anexo 1.docx"})
            QVERIFY2(fileBytes(dir.filePath(name)).size() > 1000, name);
    }

    // The window's defaults rename and back up; a profile and the options
    // change that, in this order.
    void optionsReachTheBatch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("inFolder");
        const QStringList renamed = {"19H 345713 6297592 (1).jpg", "19H 345713 6297592.jpg"};
        QTest::newRow("valores de la ventana") << QStringList() << renamed + QStringList {"Backup"};
        QTest::newRow("perfil y sin copia")
                << QStringList {"--perfil", "@D/sin-renombrar.json", "--sin-backup"}
                << QStringList {"a.jpg", "b.jpg"};
        QTest::newRow("track GPX")
                << QStringList {"--gpx", "@D/t.gpx", "--zona-horaria", "America/Santiago"}
                << renamed + QStringList {"Backup"};
        QTest::newRow("sin recomprimir")
                << QStringList {"--sin-recomprimir", "--sin-backup"} << renamed;
        const QStringList psad56
                = {"19H 345896 6297965 (1).jpg", "19H 345896 6297965.jpg", "Backup"};
        QTest::newRow("sistema elegido") << QStringList {"--crs", "EPSG:24879"} << psad56;
        QTest::newRow("sistema del perfil") << QStringList {"--perfil", "@D/psad56.json"} << psad56;
    }

    void optionsReachTheBatch()
    {
        QFETCH(QStringList, arguments);
        const QString folder = photoFolder();
        const Outcome outcome = run(QStringList {"procesar", folder} + expand(arguments, folder));
        QVERIFY2(outcome.code == 0, qPrintable(outcome.err));
        QTEST(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), "inFolder");
        // Stamps that cover most of so small a photo make it fall back, with its line.
        QCOMPARE(outcome.out.contains(QRegularExpression("Compresión original conservada|Se "
                                                         "recodifica la foto entera")),
                 arguments.contains("--sin-recomprimir"));
    }

    void sampleFileInChosenSystem()
    {
        const QString sample = dir.filePath(QStringLiteral("psad56.csv"));
        const Outcome outcome = run({"ejemplo", photoFolder(), sample, "--crs", "EPSG:24879"});
        QVERIFY2(outcome.code == 0, qPrintable(outcome.err));
        QVERIFY(fileBytes(sample).contains("\na.jpg;19;H;345896;6297965;45;"));
    }

    // A second run stamps nothing and says so; the restore gives back the
    // folder as it was, and a second restore has nothing to do.
    void processAgainThenRestore()
    {
        const QString folder = photoFolder();
        const auto before = folderContents(folder);
        // Named as a user types it: relative to where the command runs.
        const QString typed = QDir(dir.path()).relativeFilePath(folder);
        const QStringList steps[] = {{"procesar", typed},
                                     {"procesar", typed},
                                     {"restaurar", typed},
                                     {"restaurar", typed}};
        const int codes[] = {0, 1, 0, 0};
        const char *said[] = {"\nEl proceso ha finalizado.\nFotos procesadas: 2.\n",
                              "\nFotos ya estampadas (omitidas): 2.\n",
                              "Se restaurarán 2 fotos; 0 no tienen copia de seguridad.",
                              "Se restaurarán 0 fotos; 0 no tienen copia de seguridad."};
        for (int i = 0; i < 4; ++i) {
            QProcess process;
            process.setWorkingDirectory(dir.path());
            const Outcome outcome = run(process, steps[i]);
            QVERIFY2(outcome.code == codes[i] && outcome.out.contains(QString::fromUtf8(said[i])),
                     qPrintable(QString::number(i) + outcome.out + outcome.err));
        }
        QCOMPARE(folderContents(folder), before);
    }

    // A backup cut short stays where it is, its stamped photo too, and the
    // restore says so and ends as not done.
    void restoreRefusesABackupThatIsNoWholePhoto()
    {
        const QString folder = photoFolder();
        QCOMPARE(run({"procesar", folder}).code, 0);
        const QString backup = folder + "/Backup/a_backup.jpg";
        QVERIFY(writeBytes(backup, fileBytes(backup).left(fileBytes(backup).size() / 2)));
        const auto before = folderContents(folder);
        const Outcome outcome = run({"restaurar", folder});
        QCOMPARE(outcome.code, 1);
        QVERIFY2(outcome.out.contains("no es una foto entera: el archivo JPEG está cortado"),
                 qPrintable(outcome.out));
        QCOMPARE(folderContents(folder).size(), before.size() - 1); // b came back
        QCOMPARE(fileBytes(backup), before.value("Backup/a_backup.jpg"));
    }

    // Many folders at once are GNU parallel's job, one folder per run.
    void parallelRunsOneFolderPerJob()
    {
        const QString parallel = QStandardPaths::findExecutable(QStringLiteral("parallel"));
        if (parallel.isEmpty())
            QSKIP("GNU parallel is not installed (Debian package \"parallel\").");
        const QStringList folders = {photoFolder(), photoFolder(), photoFolder()};
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(
                parallel,
                QStringList {"--will-cite", QStringLiteral(RUMBARIO_PATH), "procesar", "{}", ":::"}
                        + folders);
        QVERIFY(process.waitForFinished(120000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        for (const QString &folder : folders)
            QCOMPARE(QDir(folder).entryList({"19H*.jpg"}).size(), 2);
    }

    void interruptLeavesEveryPhotoWhole()
    {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(makeNaturalImage(2400, 1800).save(&buffer, "JPEG", 90));
        const QString folder = dir.filePath(QStringLiteral("interrumpir"));
        QDir().mkpath(folder);
        constexpr int photos = 30;
        for (int i = 0; i < photos; ++i)
            writeFile(QStringLiteral("interrumpir/foto%1.jpg").arg(i), jpeg);
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(RUMBARIO_PATH), {QStringLiteral("procesar"), folder});
        const QString backups = QDir(folder).filePath(QStringLiteral("Backup"));
        // The first backup means the batch is under way.
        QTRY_VERIFY_WITH_TIMEOUT(!fileNames(backups).isEmpty(), 60000);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 128 + SIGINT);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("Proceso detenido: se procesaron ")), qPrintable(out));
        int whole = 0;
        for (const QString &place : {folder, backups}) {
            for (const QString &name : fileNames(place)) {
                QVERIFY2(name.endsWith(QLatin1String(".jpg")), qPrintable(name));
                const QString path = QDir(place).filePath(name);
                QVERIFY2(jpegIsComplete(fileBytes(path)) && !QImage(path).isNull(),
                         qPrintable(name));
                ++whole;
            }
        }
        QVERIFY(whole >= photos && whole < 2 * photos);
    }

    void killedAtAnyMomentLeavesEachPhotoWholeOrReplaced()
    {
        const QString reference = freshBatch("reference");
        QElapsedTimer clock;
        clock.start();
        // Photos without GPS at the fixed position: done, yet not as asked.
        const Outcome referenceRun = run(keepingNames(reference));
        QCOMPARE(referenceRun.code, 1);
        QVERIFY(referenceRun.err.contains("4 foto(s) con coordenadas fijas y 0 sin posición"));
        const qint64 runMilliseconds = qMax<qint64>(clock.elapsed(), 50);
        constexpr int kills = 16;
        for (int k = 0; k < kills; ++k) {
            const QString folder = freshBatch(QStringLiteral("killed%1").arg(k));
            QProcess process;
            process.setProcessEnvironment(environment());
            process.start(QStringLiteral(RUMBARIO_PATH), keepingNames(folder));
            QVERIFY(process.waitForStarted());
            process.waitForFinished(int(runMilliseconds * k / kills));
            process.kill(); // nothing of ours runs after SIGKILL
            process.waitForFinished();
            FolderLock lock;
            QVERIFY(lock.tryLock({folder}).isEmpty()); // the dead run's lock went with it
            for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
                const QByteArray now = fileBytes(folder + "/" + it.key());
                QVERIFY2(now == it.value()
                                 || withoutRunDate(now)
                                         == withoutRunDate(fileBytes(reference + "/" + it.key())),
                         qPrintable(it.key()));
            }
            // Where the file system has no unnamed temporary files, a save cut
            // off by the kill leaves a "NAME.XXXXXX" file beside the photo.
            for (const QString &name :
                 fileNames(folder + "/Backup").filter(QRegularExpression("\\.jpg$")))
                QCOMPARE(fileBytes(folder + "/Backup/" + name),
                         originals.value(name.left(name.indexOf("_backup")) + ".jpg"));
        }
    }

    void fullDiskLeavesEveryOriginalWhole_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("line");
        QTest::newRow("save") << QStringList {"--sin-backup"} << "Error guardando la imagen: ";
        QTest::newRow("backup") << QStringList() << "Error creando backup de ";
    }

    void fullDiskLeavesEveryOriginalWhole()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, line);
        const QString folder = freshBatch(QStringLiteral("full-") + QTest::currentDataTag());
        qsizetype smallest = originals.first().size();
        for (const QByteArray &bytes : originals)
            smallest = qMin(smallest, bytes.size());
        // Writes past the limit fail with EFBIG; the program goes on.
        QProcess process;
        process.setChildProcessModifier([limit = rlim_t(smallest / 2)] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size = {limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
        });
        const Outcome outcome = run(process, keepingNames(folder) + extra);
        QCOMPARE(outcome.code, 1);
        QStringList log = outcome.out.split('\n', Qt::SkipEmptyParts);
        for (QString &line : log)
            if (line.startsWith("Procesando: "))
                line.prepend('\n'); // as the batch gives it
        for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
            QCOMPARE(fileBytes(folder + "/" + it.key()), it.value());
            QStringList group = logGroup(log, it.key());
            if (group.last().startsWith(QStringLiteral("Motivo: ")))
                group.removeLast();
            QVERIFY2(group.size() > 1 && group.last().startsWith(line),
                     qPrintable(group.join('|')));
        }
        // Metadata lines belong to a saved photo only.
        QVERIFY(log.filter("Intentando escribir EXIF").isEmpty()
                && log.filter("Metadatos escritos").isEmpty());
    }

    void qtDialogsSpeakSpanish()
    {
        QVERIFY(installQtSpanish(*QCoreApplication::instance()));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancelar"));
    }
};

QTEST_MAIN(CommandLineTest)
#include "commandlinetest.moc"
