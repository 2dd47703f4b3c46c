#include "app/window/reportdialog.h"

#include "app/window/widgetparts.h"
#include "report/reportfiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

static const QString projectKey = QStringLiteral("reportProject");
static const QString clientKey = QStringLiteral("reportClient");
static const QString authorKey = QStringLiteral("reportAuthor");

static OptionRow detailRow(QString *value, const QString &key)
{
    OptionRow row;
    row.profileKey = key;
    row.save = [value] {
        return QJsonValue(*value);
    };
    row.load = [value](const QJsonValue &stored) {
        if (stored.isString())
            *value = stored.toString();
    };
    return row;
}

OptionTable reportProfileRows(ReportDetails &details)
{
    return {detailRow(&details.project, projectKey), detailRow(&details.client, clientKey),
            detailRow(&details.author, authorKey)};
}

ReportDetails reportDetailsFrom(const QJsonObject &profile)
{
    ReportDetails details;
    for (const OptionRow &row : reportProfileRows(details))
        row.load(profile.value(row.profileKey));
    return details;
}

QString bundledFontPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/notosans.ttf");
}

static QLineEdit *lineEdit(const char *name, const QString &text)
{
    auto *edit = named(new QLineEdit(text), name);
    edit->setMinimumWidth(280);
    return edit;
}

static QComboBox *combo(const char *name, const QStringList &items, int current)
{
    auto *box = named(new QComboBox, name);
    box->addItems(items);
    box->setCurrentIndex(current);
    return box;
}

ReportDialog::ReportDialog(QWidget *parent, const Dialogs &dialogs, const ReportDetails &details,
                           const QString &folder)
    : QDialog(parent)
    , dialogs(dialogs)
{
    setObjectName(QStringLiteral("reportDialog"));
    setWindowTitle(tr("Crear registro fotográfico"));
    auto *layout = new QVBoxLayout(this);

    auto *project = named(new QGroupBox(tr("Datos del proyecto")), "reportProjectGroup");
    auto *projectForm = new QFormLayout(project);
    projectForm->addRow(tr("Proyecto:"),
                        projectEdit = lineEdit("reportProjectEdit", details.project));
    projectForm->addRow(tr("Cliente:"), clientEdit = lineEdit("reportClientEdit", details.client));
    projectForm->addRow(tr("Responsable:"),
                        authorEdit = lineEdit("reportAuthorEdit", details.author));
    dateEdit = named(new QDateEdit(QDate::currentDate()), "reportDateEdit");
    dateEdit->setCalendarPopup(true);
    dateEdit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    projectForm->addRow(tr("Fecha del informe:"), dateEdit);
    layout->addWidget(project);

    auto *form = new QFormLayout;
    formatCombo = combo("reportFormatCombo", {tr("PDF"), tr("Word (.docx)"), tr("Ambos")}, 0);
    form->addRow(tr("Formato:"), formatCombo);
    perPageCombo = combo("reportPerPageCombo", {"1", "2", "4"}, 1);
    form->addRow(tr("Fotos por página:"), perPageCombo);
    paperCombo = combo("reportPaperCombo", {tr("A4"), tr("Carta")}, 0);
    form->addRow(tr("Tamaño de página:"), paperCombo);
    layout->addLayout(form);

    summaryCheck = named(new QCheckBox(tr("Incluir tabla resumen")), "reportSummaryCheck");
    mapCheck = named(new QCheckBox(tr("Incluir mapa de ubicación")), "reportMapCheck");
    summaryCheck->setChecked(true);
    mapCheck->setChecked(true);
    layout->addWidget(summaryCheck);
    layout->addWidget(mapCheck);

    targetEdit = lineEdit("reportTargetEdit",
                          QDir(folder).filePath(QLatin1String(reportBaseName) + ".pdf"));
    auto *targetButton = named(new QPushButton(tr("Seleccionar")), "reportTargetButton");
    auto *targetForm = new QFormLayout;
    targetForm->addRow(tr("Archivo:"), row({targetEdit, targetButton}));
    layout->addLayout(targetForm);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Crear"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("reportCreateButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancelar"));
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(targetButton, &QPushButton::clicked, this, &ReportDialog::chooseTarget);
    connect(formatCombo, &QComboBox::currentIndexChanged, this, &ReportDialog::followFormat);
}

ReportDetails ReportDialog::details() const
{
    return {projectEdit->text(), clientEdit->text(), authorEdit->text()};
}

ReportSettings ReportDialog::settings() const
{
    ReportSettings chosen;
    const ReportDetails typed = details();
    chosen.project = typed.project;
    chosen.client = typed.client;
    chosen.author = typed.author;
    chosen.date = dateEdit->date();
    chosen.fontPath = bundledFontPath();
    chosen.format = static_cast<ReportFormat>(formatCombo->currentIndex());
    chosen.photosPerPage = perPageCombo->currentText().toInt();
    chosen.paper = paperCombo->currentIndex() == 1 ? ReportPaper::Letter : ReportPaper::A4;
    chosen.includeSummary = summaryCheck->isChecked();
    chosen.includeMap = mapCheck->isChecked();
    setReportTargets(chosen, targetEdit->text());
    return chosen;
}

// The target's ending follows the format; "Ambos" writes both endings.
void ReportDialog::followFormat()
{
    ReportSettings chosen;
    setReportTargets(chosen, targetEdit->text());
    targetEdit->setText(formatCombo->currentIndex() == 1 ? chosen.docxPath : chosen.pdfPath);
}

void ReportDialog::chooseTarget()
{
    const QString path = dialogs.saveFileName(this, tr("Guardar registro fotográfico"),
                                              tr("Documentos (*.pdf *.docx)"));
    if (path.isEmpty())
        return;
    targetEdit->setText(path);
    followFormat();
}
