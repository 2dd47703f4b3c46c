#ifndef REPORTDIALOG_H
#define REPORTDIALOG_H

#include "app/optiontable.h"
#include "app/window/dialogs.h"
#include "report/photoreport.h"

#include <QDialog>
#include <QJsonObject>
#include <QString>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;

// The project's data a report's header shows; profiles keep them.
struct ReportDetails
{
    QString project;
    QString client;
    QString author;
    ReportTitle title; // title block, footer, cover and index
};

// Profile rows of the report's details, which the window holds for the dialog.
OptionTable reportProfileRows(ReportDetails &details);
// The details a profile holds; absent keys stay empty.
ReportDetails reportDetailsFrom(const QJsonObject &profile);

// The bundled Noto Sans beside the program, the report's font.
QString bundledFontPath();

// "Crear registro fotográfico": the project's data, format, layout, parts and
// target file of a report of the photos of one folder.
class ReportDialog : public QDialog
{
    Q_OBJECT

public:
    ReportDialog(QWidget *parent, const Dialogs &dialogs, const ReportDetails &details,
                 const QString &folder);

    ReportDetails details() const;
    // Everything but the folder, subfolders and logo, which the window adds.
    ReportSettings settings() const;

private:
    void chooseTarget();
    void followFormat();

    Dialogs dialogs;
    QLineEdit *projectEdit = nullptr;
    QLineEdit *clientEdit = nullptr;
    QLineEdit *authorEdit = nullptr;
    QLineEdit *titleEdit = nullptr;
    QLineEdit *codeEdit = nullptr;
    QLineEdit *revisionEdit = nullptr;
    QLineEdit *preparedEdit = nullptr;
    QLineEdit *reviewedEdit = nullptr;
    QLineEdit *approvedEdit = nullptr;
    QLineEdit *companyEdit = nullptr;
    QCheckBox *coverCheck = nullptr;
    QCheckBox *indexCheck = nullptr;
    QDateEdit *dateEdit = nullptr;
    QComboBox *formatCombo = nullptr;
    QComboBox *perPageCombo = nullptr;
    QComboBox *paperCombo = nullptr;
    QCheckBox *summaryCheck = nullptr;
    QCheckBox *mapCheck = nullptr;
    QLineEdit *targetEdit = nullptr;
};

#endif // REPORTDIALOG_H
