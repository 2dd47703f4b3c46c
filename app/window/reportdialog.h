#ifndef REPORTDIALOG_H
#define REPORTDIALOG_H

#include "app/reportdetails.h"
#include "app/window/dialogs.h"
#include "report/photoreport.h"

#include <QDialog>
#include <QJsonObject>
#include <QString>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;

// "Crear registro fotográfico": the project's data, format, layout, parts and
// target file of a report of the photos of one folder. What the report takes
// from the window (folder, subfolders, logo, coordinate system) it shows.
class ReportDialog : public QDialog
{
    Q_OBJECT

public:
    // `fromWindow` holds the folder, subfolder choice, logo and system.
    ReportDialog(QWidget *parent, const Dialogs &dialogs, const ReportDetails &details,
                 const ReportSettings &fromWindow);

    ReportDetails details() const;
    ReportSettings settings() const;

private:
    void chooseTarget();
    void followFormat();
    void acceptNamedTarget();

    Dialogs dialogs;
    const ReportSettings fromWindow;
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
