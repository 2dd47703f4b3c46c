#ifndef PHOTOREPORT_H
#define PHOTOREPORT_H

#include "coords/callbacks.h"
#include "exports/locationexport.h"
#include "exports/locationrecord.h"
#include "report/frontmatter.h"

#include <QDate>
#include <QFont>
#include <QImage>
#include <QMarginsF>
#include <QPair>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>

// The photo report ("registro fotográfico"): numbered photo blocks with their
// caption tables, a summary table, a location map and the photos without a
// position, written as PDF and as Word from one record.

enum class ReportFormat { Pdf, Docx, Both };
enum class ReportPaper { A4, Letter };

// What the user asked for, from the window's dialog or the command line.
struct ReportSettings
{
    QString folder;
    bool includeSubdirectories = false;
    QString project;
    QString client;
    QString author;
    QDate date;
    QString logoPath; // empty: no logo in the page header
    QString fontPath; // the bundled Noto Sans; unreadable: the system's sans-serif
    ReportFormat format = ReportFormat::Pdf;
    int photosPerPage = 2; // 1, 2 or 4
    ReportPaper paper = ReportPaper::A4;
    bool includeSummary = true;
    bool includeMap = true;
    QString pdfPath; // used when the format includes PDF
    QString docxPath; // used when the format includes Word
    std::shared_ptr<const CrsTransform> crs; // null: WGS 84 / UTM by each photo's zone
    // A coordinates file whose "descripcion" column gives the caption of
    // each photo (by file name) that has none of its own; empty: none.
    QString captionsFile;
    ReportTitle title;
};

// One photo of the report.
struct ReportPhoto
{
    int number = 0; // "Fotografía N°": the located first, then those without position
    QString path;
    LocationRecord record; // its position is meaningful only when located
    bool located = false;
    QString whyUnlocated; // for a photo without position: why it has none
    QString caption; // empty when the photo has none
    // The system its stamp was drawn in, when the report's differs; else empty.
    QString stampSystem;
};

// Everything a report shows, read once from the photos.
struct PhotoReport
{
    ReportSettings settings;
    QVector<ReportPhoto> located; // numbered from 1 in the order of the location files
    QVector<ReportPhoto> unlocated; // in the same order, numbered on, shown last
    QStringList unreadableFiles; // files that cannot be read as photos, left out
};

// One row per located photo: N°, file, time, zone, easting, northing,
// altitude, direction; a dash for an unknown value.
QVector<QStringList> summaryRows(const PhotoReport &report);
// One row per photo without position: N°, file, time, why it has no
// position, caption.
QVector<QStringList> unlocatedRows(const PhotoReport &report);

// The page in millimetres: where the header, the blocks and tables go.
struct ReportLayout
{
    QSizeF page;
    QMarginsF margins;
    double headerHeight = 0.0; // the band with project, client and logo
    double footerHeight = 0.0; // the band with company, document code and page number
    int columns = 1; // blocks side by side
    int rows = 1; // blocks one under the other
    QSizeF block; // one photo block: title, picture and caption table
    QSizeF pictureBox; // the largest picture of a block
    double rowHeight = 0.0; // of table rows and the block title
    QSizeF body() const;
};

// Block titles and table rows share this height, in millimetres.
inline constexpr double reportRowHeight = 5.5;
// Row heights of a caption table: six rows, the description taking two.
inline constexpr int captionTableRows = 7;
// The caption table's label column, as a fraction of its width.
inline constexpr double captionLabelShare = 0.28;
// Pictures are stored at this resolution of their printed size.
inline constexpr double reportPictureDpi = 200.0;

ReportLayout reportLayout(const ReportSettings &settings);

// The report's texts; numbers are written the same whatever the locale.
// The coordinates of a located photo: zone and band, Este, Norte, datum; in a
// chosen system `crs`, its short name, Este and Norte.
QString reportCoordinatesText(const UtmPosition &position, const CrsTransform *crs);
QString photoTitle(int number); // "Fotografía N° 3"
// Label and value, in order; altitude and direction only when known; for a
// photo without position, why it has none in place of its coordinates.
QVector<QPair<QString, QString>> captionRows(const ReportPhoto &photo, const CrsTransform *crs);
QStringList summaryHeader();
// The system of the report's coordinates: the chosen one, or WGS 84 / UTM
// with the photos' one zone and band ("WGS 84 / UTM 19H").
QString reportSystemText(const PhotoReport &report);
// "Tabla resumen · Coordenadas PSAD56 / UTM 19S".
QString summaryTitle(const PhotoReport &report);
QStringList unlocatedHeader();
QString headerText(const ReportSettings &settings); // project, client, author and date
QString pageNumberText(int page, int pages); // "Página 2 de 7"
// Summary column widths as fractions of the body width.
QVector<double> summaryColumnShares();
QVector<double> unlocatedColumnShares();

// The font of the report: the bundled one when it can be registered.
QFont reportFont(const QString &fontPath, double points);

// The logo for the page header; null when there is none.
QImage readLogo(const QString &path);

// The photo upright, decoded reduced and scaled to fit `boxMillimetres` at
// reportPictureDpi. Null when it cannot be decoded.
QImage reportPicture(const QString &path, const QSizeF &boxMillimetres);

// What the writers share with the run that called them.
struct ReportRun
{
    const std::atomic<bool> *stop = nullptr; // may be null
    std::function<void()> pictureDone; // may be empty
    QStringList unreadable; // photos whose picture could not be decoded
    bool stopped() const { return stop && stop->load(); }
};

// Decodes the located photos' pictures a few at a time on the work pool and
// hands each (null when unreadable) to `use` in order on the calling thread,
// so that only a few are ever held at once. False when the run was stopped
// before all were handed over.
bool forEachPicture(ReportRun &run, const QVector<ReportPhoto> &photos,
                    const QSizeF &boxMillimetres,
                    const std::function<void(int index, const QImage &picture)> &use);

// The photos of the settings' folder read into a report: positions, times and
// captions. Photos without position, or outside the area of use of the
// chosen system, and files that cannot be read as photos (with the reason, as
// errors) are named in the log.
PhotoReport collectReport(const ReportSettings &settings, const LogCallback &log,
                          const std::atomic<bool> *stop);

#endif // PHOTOREPORT_H
