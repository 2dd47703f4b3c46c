#include "app/window/crsgroup.h"

#include "app/window/widgetparts.h"
#include "files/photocollection.h"
#include "geo/crs.h"
#include "metadata/exifreader.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <utility>

QVector<QPair<double, double>> folderPhotoPlaces(const QString &folder, bool subfolders)
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

CrsGroup::CrsGroup(std::function<QVector<QPair<double, double>>()> photoPlaces)
    : QGroupBox(tr("Sistema de coordenadas"))
    , photoPlaces(std::move(photoPlaces))
{
    setObjectName(QStringLiteral("crsGroup"));
    auto *layout = new QVBoxLayout(this);
    setMarginsAndSpacing(layout, 5, 4);
    defaultRadio = named(new QRadioButton(tr("WGS 84 / UTM (zona según la posición)")),
                         "crsDefaultRadio");
    defaultRadio->setChecked(true);
    otherRadio = named(new QRadioButton(tr("Otro:")), "crsOtherRadio");
    auto *buttons = new QButtonGroup(this);
    buttons->addButton(defaultRadio);
    buttons->addButton(otherRadio);
    searchEdit = named(new QLineEdit, "crsSearchEdit");
    searchEdit->setPlaceholderText(tr("Buscar por código EPSG o nombre"));
    searchEdit->setClearButtonEnabled(true);
    crsCombo = named(new QComboBox, "crsCombo");
    crsCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    crsCombo->setMinimumContentsLength(20);
    layout->addWidget(defaultRadio);
    layout->addLayout(row({otherRadio, searchEdit}));
    noteLabel = named(new QLabel, "crsNoteLabel");
    noteLabel->setWordWrap(true);
    noteLabel->hide();
    layout->addWidget(crsCombo);
    layout->addWidget(noteLabel);

    // PROJ's list is read only when someone wants another system.
    connect(otherRadio, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            orderList();
    });
    connect(searchEdit, &QLineEdit::textChanged, this, &CrsGroup::fillList);
    connect(crsCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            selectedCode = crsCombo->itemData(index).toString();
        showNote();
    });
    connect(otherRadio, &QRadioButton::toggled, this, &CrsGroup::showNote);
    buildOptionRows();
}

// Every word of the search must be in the code or the name.
static bool matches(const CrsEntry &entry, const QStringList &words)
{
    const QString text = crsCode(entry.epsg) + QLatin1Char(' ') + entry.name;
    for (const QString &word : words)
        if (!text.contains(word, Qt::CaseInsensitive))
            return false;
    return true;
}

// The run refuses a system PROJ cannot use as the same words say here.
void CrsGroup::showNote()
{
    QString note;
    if (otherRadio->isChecked() && !selectedCode.isEmpty()) {
        const auto entry = findProjectedCrs(selectedCode, note);
        if (entry)
            note = deprecationWarning(*entry);
    }
    noteLabel->setText(note);
    noteLabel->setVisible(!note.isEmpty());
}

void CrsGroup::orderList()
{
    ordered = crsListForPlaces(photoPlaces());
    fillList();
}

void CrsGroup::fillList()
{
    const QStringList words = searchEdit->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString keep = selectedCode;
    QSignalBlocker blocker(crsCombo);
    crsCombo->clear();
    for (const CrsEntry &entry : std::as_const(ordered)) {
        if (!matches(entry, words))
            continue;
        const QString code = crsCode(entry.epsg);
        crsCombo->addItem(QStringLiteral("%1 · %2 · %3").arg(code, entry.name, entry.areaName),
                          code);
        crsCombo->setItemData(crsCombo->count() - 1, entry.areaName, Qt::ToolTipRole);
    }
    const int index = crsCombo->findData(keep);
    crsCombo->setCurrentIndex(index >= 0 ? index : 0);
    selectedCode = crsCombo->currentIndex() >= 0 ? crsCombo->currentData().toString() : keep;
    blocker.unblock();
    emit crsCombo->currentTextChanged(crsCombo->currentText());
    showNote();
}

QString CrsGroup::chosenCode() const
{
    return otherRadio->isChecked() ? selectedCode : QString();
}

void CrsGroup::setChosenCode(const QString &code)
{
    if (code.isEmpty()) {
        defaultRadio->setChecked(true);
        return;
    }
    QString problem;
    const auto entry = findProjectedCrs(code, problem);
    const QString wanted = entry ? crsCode(entry->epsg) : code;
    selectedCode = wanted;
    const QSignalBlocker blocker(searchEdit);
    searchEdit->clear();
    otherRadio->setChecked(true);
    orderList();
    if (crsCombo->findData(wanted) < 0)
        crsCombo->insertItem(0, wanted, wanted);
    crsCombo->setCurrentIndex(crsCombo->findData(wanted));
    showNote();
}

void CrsGroup::buildOptionRows()
{
    OptionRow chosen;
    chosen.control = crsCombo;
    chosen.refreshesPreview = true;
    chosen.copy = [this](ProcessingOptions &options) {
        options.outputCrs = chosenCode();
    };
    chosen.profileKey = QStringLiteral("outputCrs");
    chosen.save = [this] {
        return QJsonValue(chosenCode());
    };
    // Profiles from before this choice hold no key and keep the choice, as
    // every absent key does.
    chosen.load = [this](const QJsonValue &value) {
        if (value.isString())
            setChosenCode(value.toString());
    };
    chosen.enableRules = {followsCheck(otherRadio, {searchEdit, crsCombo})};
    OptionRow other;
    other.control = otherRadio;
    other.refreshesPreview = true;
    rows = {chosen, other};
}
