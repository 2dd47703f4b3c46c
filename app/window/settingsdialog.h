#ifndef SETTINGSDIALOG_H
#define SETTINGSDIALOG_H

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// Edits the stored settings: the elevation service, its API key, the JPEG
// quality and whether the window remembers its options. It shows the stored values when built and
// writes them back only when the caller asks, after the user accepted.
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
    QCheckBox *rememberOptionsCheck = nullptr;
};

#endif // SETTINGSDIALOG_H
