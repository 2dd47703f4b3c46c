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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

// Read-only: the user changes these in the window, and the dialog says so.
static QGroupBox *windowChoices(const ReportSettings &fromWindow)
{
    auto *group = named(new QGroupBox(QObject::tr("De la ventana principal")), "reportWindowGroup");
    auto *form = new QFormLayout(group);
    const auto shown = [form](const QString &label, const char *name, const QString &text) {
        auto *value = named(new QLabel(text), name);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(label, value);
    };
    shown(QObject::tr("Carpeta:"), "reportFolderLabel",
          QDir::toNativeSeparators(fromWindow.folder));
    shown(QObject::tr("Subcarpetas:"), "reportSubfoldersLabel",
          fromWindow.includeSubdirectories ? QObject::tr("incluidas")
                                           : QObject::tr("no incluidas"));
    shown(QObject::tr("Logo:"), "reportLogoLabel",
          fromWindow.logoPath.isEmpty() ? QObject::tr("ninguno") : fileNameOf(fromWindow.logoPath));
    shown(QObject::tr("Sistema de coordenadas:"), "reportCrsLabel",
          fromWindow.crs ? QStringLiteral("%1 (%2)").arg(fromWindow.crs->shortName(),
                                                         crsCode(fromWindow.crs->entry().epsg))
                         : QObject::tr("WGS 84 / UTM (zona según la posición)"));
    if (!fromWindow.captionsFile.isEmpty())
        shown(QObject::tr("Descripciones que faltan, del archivo:"), "reportCaptionsLabel",
              fileNameOf(fromWindow.captionsFile));
    return group;
}

ReportDialog::ReportDialog(QWidget *parent, const Dialogs &dialogs, const ReportDetails &details,
                           const ReportSettings &fromWindow)
    : QDialog(parent)
    , dialogs(dialogs)
    , fromWindow(fromWindow)
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
    layout->addWidget(windowChoices(fromWindow));

    const ReportTitle &title = details.title;
    auto *document = named(new QGroupBox(tr("Bloque de título")), "reportTitleGroup");
    auto *documentForm = new QFormLayout(document);
    titleEdit = lineEdit("reportTitleEdit", title.title);
    titleEdit->setPlaceholderText(QString::fromUtf8(defaultAnnexTitle));
    documentForm->addRow(tr("Título del anexo:"), titleEdit);
    documentForm->addRow(tr("Código del documento:"),
                         codeEdit = lineEdit("reportCodeEdit", title.code));
    documentForm->addRow(tr("Revisión:"),
                         revisionEdit = lineEdit("reportRevisionEdit", title.revision));
    documentForm->addRow(tr("Elaborado por:"),
                         preparedEdit = lineEdit("reportPreparedEdit", title.preparedBy));
    documentForm->addRow(tr("Revisado por:"),
                         reviewedEdit = lineEdit("reportReviewedEdit", title.reviewedBy));
    documentForm->addRow(tr("Aprobado por:"),
                         approvedEdit = lineEdit("reportApprovedEdit", title.approvedBy));
    documentForm->addRow(tr("Empresa (pie de página):"),
                         companyEdit = lineEdit("reportCompanyEdit", title.company));
    coverCheck = named(new QCheckBox(tr("Portada")), "reportCoverCheck");
    coverCheck->setChecked(title.cover);
    indexCheck = named(new QCheckBox(tr("Índice de fotografías")), "reportIndexCheck");
    indexCheck->setChecked(title.photoIndex);
    documentForm->addRow(row({coverCheck, indexCheck}));
    layout->addWidget(document);

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
                          QDir(fromWindow.folder).filePath(QLatin1String(reportBaseName) + ".pdf"));
    auto *targetButton = named(new QPushButton(tr("Seleccionar")), "reportTargetButton");
    auto *targetForm = new QFormLayout;
    targetForm->addRow(tr("Archivo:"), row({targetEdit, targetButton}));
    layout->addLayout(targetForm);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Crear"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("reportCreateButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancelar"));
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &ReportDialog::acceptNamedTarget);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(targetButton, &QPushButton::clicked, this, &ReportDialog::chooseTarget);
    connect(formatCombo, &QComboBox::currentIndexChanged, this, &ReportDialog::followFormat);
}

ReportDetails ReportDialog::details() const
{
    ReportTitle title;
    title.title = titleEdit->text();
    title.code = codeEdit->text();
    title.revision = revisionEdit->text();
    title.preparedBy = preparedEdit->text();
    title.reviewedBy = reviewedEdit->text();
    title.approvedBy = approvedEdit->text();
    title.company = companyEdit->text();
    title.cover = coverCheck->isChecked();
    title.photoIndex = indexCheck->isChecked();
    return {projectEdit->text(), clientEdit->text(), authorEdit->text(), title};
}

ReportSettings ReportDialog::settings() const
{
    ReportSettings chosen = fromWindow;
    const ReportDetails typed = details();
    chosen.project = typed.project;
    chosen.client = typed.client;
    chosen.author = typed.author;
    chosen.title = typed.title;
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

// A target without a file name would write a hidden ".pdf" in its folder.
void ReportDialog::acceptNamedTarget()
{
    QString problem = reportTargetProblem(targetEdit->text());
    if (problem.isEmpty()) {
        accept();
        return;
    }
    problem[0] = problem.at(0).toUpper();
    dialogs.critical(this, tr("Error"), problem);
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
