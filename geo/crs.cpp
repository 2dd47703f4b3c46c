#include "geo/crs.h"

#include "geo/globelimits.h"
#include "geo/utm.h"

#include <QMap>
#include <QMutexLocker>
#include <QRegularExpression>

#include <proj.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>

bool CrsEntry::contains(double latitude, double longitude) const
{
    if (latitude < south || latitude > north)
        return false;
    // An area across the antimeridian has its west edge east of its east edge.
    return west <= east ? longitude >= west && longitude <= east
                        : longitude >= west || longitude <= east;
}

QString projVersion()
{
    return QString::fromLatin1(proj_info().version);
}

QString crsCode(int epsg)
{
    return QStringLiteral("EPSG:") + QString::number(epsg);
}

// A context that keeps PROJ's messages off the terminal and works with the
// grids on this machine only, whatever PROJ_NETWORK says: a run gives the
// same numbers online and offline, and never waits on a server.
static PJ_CONTEXT *quietContext()
{
    PJ_CONTEXT *context = proj_context_create();
    proj_log_level(context, PJ_LOG_NONE);
    proj_context_set_enable_network(context, 0);
    return context;
}

static QVector<CrsEntry> readProjectedCrsList()
{
    PJ_CONTEXT *context = quietContext();
    PROJ_CRS_LIST_PARAMETERS *parameters = proj_get_crs_list_parameters_create();
    const PJ_TYPE projected = PJ_TYPE_PROJECTED_CRS;
    parameters->types = &projected;
    parameters->typesCount = 1;
    parameters->allow_deprecated = 0;
    int count = 0;
    PROJ_CRS_INFO **list
            = proj_get_crs_info_list_from_database(context, "EPSG", parameters, &count);
    QVector<CrsEntry> entries;
    for (int i = 0; list && i < count; ++i) {
        const PROJ_CRS_INFO &info = *list[i];
        CrsEntry entry;
        entry.epsg = QByteArray(info.code).toInt();
        entry.name = QString::fromUtf8(info.name);
        entry.areaName = QString::fromUtf8(info.area_name);
        if (info.bbox_valid) {
            entry.west = info.west_lon_degree;
            entry.south = info.south_lat_degree;
            entry.east = info.east_lon_degree;
            entry.north = info.north_lat_degree;
        }
        if (entry.epsg > 0)
            entries.append(entry);
    }
    proj_crs_info_list_destroy(list);
    proj_get_crs_list_parameters_destroy(parameters);
    proj_context_destroy(context);
    std::sort(entries.begin(), entries.end(),
              [](const CrsEntry &a, const CrsEntry &b) { return a.epsg < b.epsg; });
    return entries;
}

const QVector<CrsEntry> &projectedCrsList()
{
    static const QVector<CrsEntry> list = readProjectedCrsList();
    return list;
}

QVector<CrsEntry> crsListForPlaces(const QVector<QPair<double, double>> &places)
{
    QVector<CrsEntry> list = projectedCrsList();
    const auto holdsAll = [&places](const CrsEntry &entry) {
        return !places.isEmpty() && std::all_of(places.cbegin(), places.cend(), [&](auto place) {
            return entry.contains(place.first, place.second);
        });
    };
    std::stable_partition(list.begin(), list.end(), holdsAll);
    return list;
}

static QString directionWord(const QString &direction)
{
    static const QMap<QString, QString> words {{QStringLiteral("east"), QStringLiteral("este")},
                                               {QStringLiteral("west"), QStringLiteral("oeste")},
                                               {QStringLiteral("north"), QStringLiteral("norte")},
                                               {QStringLiteral("south"), QStringLiteral("sur")}};
    return words.value(direction, direction);
}

// Why the axes of `crs` cannot be written as "este" and "norte"; empty when
// one points east and the other north, in either order.
static QString axisProblem(PJ_CONTEXT *context, const PJ *crs, const QString &code)
{
    PJ *system = proj_crs_get_coordinate_system(context, crs);
    const int count = system ? proj_cs_get_axis_count(context, system) : 0;
    QStringList names, directions;
    for (int i = 0; i < count; ++i) {
        const char *name = nullptr;
        const char *direction = nullptr;
        if (proj_cs_get_axis_info(context, system, i, &name, nullptr, &direction, nullptr, nullptr,
                                  nullptr, nullptr)) {
            names << QString::fromUtf8(name);
            directions << QString::fromUtf8(direction).toLower();
        }
    }
    proj_destroy(system);
    QStringList sorted = directions;
    sorted.sort();
    if (sorted == QStringList {QStringLiteral("east"), QStringLiteral("north")})
        return QString();
    QStringList words;
    for (const QString &direction : std::as_const(directions))
        words << directionWord(direction);
    return QStringLiteral("%1 (%2) no se puede usar: sus ejes (%3) apuntan al %4, y Rumbario "
                          "solo escribe coordenadas este y norte.")
            .arg(code, QString::fromUtf8(proj_get_name(crs)), names.join(QStringLiteral(", ")),
                 words.join(QStringLiteral(" y ")));
}

// The system EPSG gives in place of a deprecated one, as "EPSG:NNNN (name)".
static QString replacementOf(PJ_CONTEXT *context, const PJ *crs)
{
    PJ_OBJ_LIST *list = proj_get_non_deprecated(context, crs);
    QString replacement;
    if (list && proj_list_get_count(list) > 0) {
        PJ *first = proj_list_get(context, list, 0);
        replacement = QStringLiteral("%1:%2 (%3)")
                              .arg(QString::fromUtf8(proj_get_id_auth_name(first, 0)),
                                   QString::fromUtf8(proj_get_id_code(first, 0)),
                                   QString::fromUtf8(proj_get_name(first)));
        proj_destroy(first);
    }
    proj_list_destroy(list);
    return replacement;
}

static CrsEntry entryOf(PJ_CONTEXT *context, const PJ *crs, int epsg)
{
    CrsEntry entry;
    entry.epsg = epsg;
    entry.name = QString::fromUtf8(proj_get_name(crs));
    const char *areaName = nullptr;
    proj_get_area_of_use(context, crs, &entry.west, &entry.south, &entry.east, &entry.north,
                         &areaName);
    entry.areaName = QString::fromUtf8(areaName);
    entry.deprecated = proj_is_deprecated(crs);
    if (entry.deprecated)
        entry.replacement = replacementOf(context, crs);
    return entry;
}

std::optional<CrsEntry> findProjectedCrs(const QString &code, QString &problem)
{
    static const QRegularExpression form(QStringLiteral("^EPSG:(\\d{1,6})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(code.trimmed());
    if (!match.hasMatch()) {
        problem = QStringLiteral("Sistema de coordenadas no válido: «%1» (se espera EPSG:NNNN).")
                          .arg(code);
        return std::nullopt;
    }
    const int epsg = match.captured(1).toInt();
    PJ_CONTEXT *context = quietContext();
    PJ *crs = proj_create(context, crsCode(epsg).toUtf8().constData());
    std::optional<CrsEntry> entry;
    if (!crs) {
        problem = QStringLiteral("PROJ no conoce el sistema de coordenadas %1.").arg(crsCode(epsg));
    } else if (proj_get_type(crs) != PJ_TYPE_PROJECTED_CRS) {
        problem = QStringLiteral("%1 (%2) no es un sistema proyectado: no da este y norte en "
                                 "metros.")
                          .arg(crsCode(epsg), QString::fromUtf8(proj_get_name(crs)));
    } else {
        problem = axisProblem(context, crs, crsCode(epsg));
        if (problem.isEmpty())
            entry = entryOf(context, crs, epsg);
    }
    proj_destroy(crs);
    proj_context_destroy(context);
    return entry;
}

QString deprecationWarning(const CrsEntry &entry)
{
    if (!entry.deprecated)
        return QString();
    const QString withdrawn = QStringLiteral("Aviso: %1 (%2) está obsoleto en la base de datos "
                                             "EPSG")
                                      .arg(crsCode(entry.epsg), entry.name);
    return entry.replacement.isEmpty()
            ? withdrawn + QStringLiteral(" y PROJ no conoce su reemplazo.")
            : withdrawn + QStringLiteral("; su reemplazo es %1.").arg(entry.replacement);
}

// The zone of a CRS whose projection is named as WGS 84 / UTM names it.
static std::optional<int> utmZoneOf(PJ_CONTEXT *context, const PJ *crs)
{
    PJ *conversion = proj_crs_get_coordoperation(context, crs);
    static const QRegularExpression utm(QStringLiteral("^UTM zone (\\d{1,2})[NS]$"));
    const auto match = utm.match(QString::fromUtf8(proj_get_name(conversion)));
    proj_destroy(conversion);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

static QString accuracyText(double metres)
{
    return metres < 0 ? QStringLiteral("exactitud desconocida")
                      : QStringLiteral("exactitud %1 m").arg(QString::number(metres));
}

// Axis swaps say nothing about the datum: they are left out of the name.
static QString operationName(const PJ *operation)
{
    QString name = QString::fromUtf8(proj_get_name(operation));
    name.remove(QStringLiteral("axis order change (2D) + "));
    name.remove(QStringLiteral(" + axis order change (2D)"));
    return name;
}

// Grids the best transformations need and this machine lacks: those
// transformations were left out, so a less exact one is used.
static QStringList missingGridWarnings(PJ_CONTEXT *context, PJ *source, PJ *target)
{
    PJ_OPERATION_FACTORY_CONTEXT *factory = proj_create_operation_factory_context(context, nullptr);
    proj_operation_factory_context_set_spatial_criterion(
            context, factory, PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
    proj_operation_factory_context_set_grid_availability_use(context, factory,
                                                             PROJ_GRID_AVAILABILITY_IGNORED);
    PJ_OBJ_LIST *operations = proj_create_operations(context, source, target, factory);
    const int count = operations ? proj_list_get_count(operations) : 0;
    double bestUsable = -1.0;
    std::vector<std::pair<double, QString>> missing;
    for (int i = 0; i < count; ++i) {
        PJ *operation = proj_list_get(context, operations, i);
        const double accuracy = proj_coordoperation_get_accuracy(context, operation);
        if (proj_coordoperation_is_instantiable(context, operation)) {
            if (accuracy >= 0 && (bestUsable < 0 || accuracy < bestUsable))
                bestUsable = accuracy;
        } else if (accuracy >= 0) {
            QStringList grids;
            for (int g = 0; g < proj_coordoperation_get_grid_used_count(context, operation); ++g) {
                const char *name = nullptr;
                int available = 0;
                proj_coordoperation_get_grid_used(context, operation, g, &name, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, &available);
                if (!available && name)
                    grids << QString::fromUtf8(name);
            }
            missing.emplace_back(accuracy,
                                 QStringLiteral("Aviso: falta en este equipo la rejilla %1: no se "
                                                "puede usar la transformación %2 (%3).")
                                         .arg(grids.join(QStringLiteral(", ")),
                                              operationName(operation), accuracyText(accuracy)));
        }
        proj_destroy(operation);
    }
    proj_list_destroy(operations);
    proj_operation_factory_context_destroy(factory);
    QStringList warnings;
    for (const auto &[accuracy, line] : missing)
        if (bestUsable < 0 || accuracy < bestUsable)
            warnings << line;
    return warnings;
}

static std::atomic<quint64> lastTransformId {0};

CrsTransform::CrsTransform(const CrsEntry &entry, std::optional<int> utmZone, QStringList warnings,
                           PJ_CONTEXT *context, PJ *transformation)
    : crs(entry)
    , zone(utmZone)
    , setupWarnings(std::move(warnings))
    , id(++lastTransformId)
    , masterContext(context)
    , master(transformation)
{ }

CrsTransform::~CrsTransform()
{
    proj_destroy(master);
    proj_context_destroy(masterContext);
}

QString CrsTransform::shortName() const
{
    QString name = crs.name;
    return name.replace(QStringLiteral("UTM zone "), QStringLiteral("UTM "));
}

QStringList CrsTransform::choiceLines() const
{
    const QString chosen
            = QStringLiteral("Sistema de coordenadas: %1 (%2).").arg(crs.name, crsCode(crs.epsg));
    return QStringList {chosen} + setupWarnings;
}

QStringList transformationLines(const std::vector<QString> &used)
{
    QStringList distinct;
    for (const QString &transformation : used)
        if (!transformation.isEmpty() && !distinct.contains(transformation))
            distinct << transformation;
    distinct.sort();
    QStringList lines;
    for (const QString &transformation : std::as_const(distinct))
        lines << transformation.split(QLatin1Char('\n'));
    return lines;
}

LatLon fallbackLatLon()
{
    LatLon place;
    utmToLatLon(fallbackPosition.zone, fallbackPosition.letter, fallbackPosition.easting,
                fallbackPosition.northing, place.latitude, place.longitude);
    return place;
}

// Each thread's context and its copies of the transformations it used,
// newest last; destroyed with the thread.
struct ThreadTransformations
{
    static constexpr size_t kept = 4;
    PJ_CONTEXT *context = quietContext();
    std::vector<std::pair<quint64, PJ *>> copies;

    ~ThreadTransformations()
    {
        for (auto &copy : copies)
            proj_destroy(copy.second);
        proj_context_destroy(context);
    }
};

static ThreadTransformations &threadTransformations()
{
    thread_local ThreadTransformations thread;
    return thread;
}

PJ *CrsTransform::threadTransformation() const
{
    ThreadTransformations &thread = threadTransformations();
    for (const auto &copy : thread.copies)
        if (copy.first == id)
            return copy.second;
    PJ *copy = nullptr;
    {
        QMutexLocker lock(&cloneMutex);
        copy = proj_clone(thread.context, master);
    }
    if (thread.copies.size() == ThreadTransformations::kept) {
        proj_destroy(thread.copies.front().second);
        thread.copies.erase(thread.copies.begin());
    }
    thread.copies.emplace_back(id, copy);
    return copy;
}

bool CrsTransform::transform(int direction, double x, double y, double &outX, double &outY,
                             QString *operation) const
{
    PJ *transformation = threadTransformation();
    if (!transformation)
        return false;
    const PJ_COORD result
            = proj_trans(transformation, PJ_DIRECTION(direction), proj_coord(x, y, 0.0, HUGE_VAL));
    // PROJ marks a point it cannot transform with HUGE_VAL.
    if (!std::isfinite(result.xy.x) || !std::isfinite(result.xy.y))
        return false;
    outX = result.xy.x;
    outY = result.xy.y;
    if (!operation)
        return true;
    PJ *used = proj_trans_get_last_used_operation(transformation);
    if (!used)
        return true;
    PJ_CONTEXT *context = threadTransformations().context;
    *operation = QStringLiteral("Transformación: %1, %2.")
                         .arg(operationName(used),
                              accuracyText(proj_coordoperation_get_accuracy(context, used)));
    if (proj_coordoperation_has_ballpark_transformation(context, used))
        *operation += QStringLiteral("\nAviso: entre WGS 84 y %1 solo hay una transformación "
                                     "aproximada (sin parámetros de datum): las coordenadas "
                                     "pueden desviarse varios metros.")
                              .arg(crs.name);
    proj_destroy(used);
    return true;
}

bool CrsTransform::forward(double latitude, double longitude, double &easting, double &northing,
                           QString *operation) const
{
    return transform(PJ_FWD, longitude, latitude, easting, northing, operation);
}

bool CrsTransform::inverse(double easting, double northing, double &latitude, double &longitude,
                           QString *operation) const
{
    return transform(PJ_INV, easting, northing, longitude, latitude, operation);
}

// Farther apart than this, numbers did not come back from their place: they
// lie off the projection. Well inside it they come back to the millimetre.
static constexpr double roundTripToleranceMetres = 1.0;

bool CrsTransform::placeOf(double easting, double northing, LatLon &place, QString *operation) const
{
    LatLon found;
    double backEasting = 0.0, backNorthing = 0.0;
    if (!inverse(easting, northing, found.latitude, found.longitude, operation)
        || !isOnGlobe(found.latitude, found.longitude)
        || !forward(found.latitude, found.longitude, backEasting, backNorthing)
        || std::hypot(backEasting - easting, backNorthing - northing) > roundTripToleranceMetres)
        return false;
    place = found;
    return true;
}

QString CrsTransform::outsideAreaLine(const QString &name, double latitude, double longitude) const
{
    if (crs.contains(latitude, longitude))
        return QString();
    return QStringLiteral("%1 queda fuera del área de uso de %2 (%3).")
            .arg(name, crsCode(crs.epsg), crs.areaName);
}

QString CrsTransform::outsideAreaCountLine(int photos) const
{
    if (photos == 0)
        return QString();
    return QStringLiteral("Fotos fuera del área de uso de %1: %2.")
            .arg(crsCode(crs.epsg), QString::number(photos));
}

bool projectPosition(const CrsTransform &crs, double latitude, double longitude,
                     UtmPosition &position, QString *operation)
{
    if (!crs.forward(latitude, longitude, position.easting, position.northing, operation))
        return false;
    if (crs.utmZone())
        position.zone = *crs.utmZone();
    return true;
}

static std::shared_ptr<const CrsTransform> buildTransform(const CrsEntry &entry, QString &problem)
{
    PJ_CONTEXT *context = quietContext();
    PJ *source = proj_create(context, "EPSG:4326");
    PJ *target = proj_create(context, crsCode(entry.epsg).toUtf8().constData());
    PJ *raw = proj_create_crs_to_crs_from_pj(context, source, target, nullptr, nullptr);
    PJ *normalized = raw ? proj_normalize_for_visualization(context, raw) : nullptr;
    proj_destroy(raw);
    if (!normalized) {
        problem = QStringLiteral("PROJ no encuentra cómo pasar de WGS 84 a %1.")
                          .arg(crsCode(entry.epsg));
        proj_destroy(source);
        proj_destroy(target);
        proj_context_destroy(context);
        return nullptr;
    }
    const auto zone = utmZoneOf(context, target);
    QStringList warnings = missingGridWarnings(context, source, target);
    if (entry.deprecated)
        warnings.prepend(deprecationWarning(entry));
    proj_destroy(source);
    proj_destroy(target);
    return std::make_shared<CrsTransform>(entry, zone, std::move(warnings), context, normalized);
}

std::shared_ptr<const CrsTransform> crsTransform(int epsg, QString &problem)
{
    static QMutex mutex;
    static QMap<int, std::shared_ptr<const CrsTransform>> built;
    QMutexLocker lock(&mutex);
    const auto found = built.constFind(epsg);
    if (found != built.cend())
        return *found;
    const auto entry = findProjectedCrs(crsCode(epsg), problem);
    if (!entry)
        return nullptr;
    auto transform = buildTransform(*entry, problem);
    if (transform)
        built.insert(epsg, transform);
    return transform;
}
