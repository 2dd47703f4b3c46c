#ifndef CRSGROUP_H
#define CRSGROUP_H

#include "app/optiontable.h"
#include "geo/crs.h"

#include <QGroupBox>
#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// Where the folder's first photos were taken: enough to put the systems that
// hold them first in the list.
QVector<QPair<double, double>> folderPhotoPlaces(const QString &folder, bool subfolders);

// "Sistema de coordenadas": WGS 84 / UTM in each photo's zone, or another
// projected system picked from PROJ's database by code or words of its name;
// those whose area of use holds the photos come first. Below the list, why
// the chosen system cannot be used, or that it is deprecated.
class CrsGroup : public QGroupBox
{
    Q_OBJECT

public:
    // `photoPlaces` gives the latitude and longitude of some of the folder's
    // photos; asked whenever "Otro:" is chosen.
    explicit CrsGroup(std::function<QVector<QPair<double, double>>()> photoPlaces);

    const OptionTable &optionRows() const { return rows; }

    // "EPSG:NNNN", or empty for WGS 84 / UTM.
    QString chosenCode() const;
    // Empty chooses WGS 84 / UTM; a code PROJ does not know is kept as
    // typed, so that the run refuses it.
    void setChosenCode(const QString &code);

private:
    void orderList();
    void fillList();
    void buildOptionRows();
    void showNote();

    std::function<QVector<QPair<double, double>>()> photoPlaces;
    QRadioButton *defaultRadio = nullptr;
    QRadioButton *otherRadio = nullptr;
    QLineEdit *searchEdit = nullptr;
    QComboBox *crsCombo = nullptr;
    QLabel *noteLabel = nullptr;
    QVector<CrsEntry> ordered; // the photos' systems first; empty until asked for
    QString selectedCode; // survives a search that hides it
    OptionTable rows;
};

#endif // CRSGROUP_H
