#ifndef SETTINGSDIALOG_H
#define SETTINGSDIALOG_H

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// Edits the stored settings: the elevation service, its API key and the JPEG
// quality. It shows the stored values when built and writes them back only
// when the caller asks, after the user accepted.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(QWidget *parent = nullptr);

    void loadSettings();
    void saveSettings();

private slots:
    void updateUi();

private:
    QComboBox *providerCombo = nullptr;
    QLabel *apiKeyLabel = nullptr;
    QLineEdit *apiKeyEdit = nullptr;
    QLabel *jpegQualityLabel = nullptr;
    QSpinBox *jpegQualitySpin = nullptr;
};

#endif // SETTINGSDIALOG_H
