#include "app/window/widgetparts.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>

void setMarginsAndSpacing(QLayout *layout, int marginsPixels, int spacingPixels)
{
    layout->setContentsMargins(marginsPixels, marginsPixels, marginsPixels, marginsPixels);
    layout->setSpacing(spacingPixels);
}

QHBoxLayout *row(std::initializer_list<QWidget *> widgets)
{
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *widget : widgets)
        layout->addWidget(widget);
    return layout;
}

QComboBox *cornerCombo(const char *name, const QString &current)
{
    auto *combo = named(new QComboBox, name);
    combo->addItems({QStringLiteral("arriba-izquierda"), QStringLiteral("arriba-derecha"),
                     QStringLiteral("abajo-izquierda"), QStringLiteral("abajo-derecha")});
    combo->setCurrentText(current);
    return combo;
}

QDoubleSpinBox *ratioSpin(const char *name, int decimals, double minimum, double maximum,
                          double step, double value)
{
    auto *spin = named(new QDoubleSpinBox, name);
    spin->setDecimals(decimals);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(step);
    spin->setValue(value);
    return spin;
}

QLabel *colorSwatch(const char *name, const QString &colorName)
{
    auto *swatch = named(new QLabel, name);
    swatch->setFixedWidth(50);
    paintSwatch(swatch, colorName);
    return swatch;
}

// The thin grey border keeps a white or very light colour visible on the
// window's light background.
void paintSwatch(QLabel *swatch, const QString &colorName)
{
    swatch->setStyleSheet(QStringLiteral("background-color: ") + colorName
                          + QStringLiteral("; border: 1px solid #808080;"));
}

QLabel *warningLabel(const char *name)
{
    auto *label = named(new QLabel, name);
    label->setStyleSheet(QStringLiteral("color: #b00020;"));
    label->setWordWrap(true);
    return label;
}

// Resizes and new content both change the height the width needs.
class HeightForWidthKeeper : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) {
            auto *widget = static_cast<QWidget *>(watched);
            widget->setMinimumHeight(qMax(0, widget->heightForWidth(widget->width())));
        }
        return false;
    }
};

void keepHeightForWidth(QWidget *widget)
{
    widget->installEventFilter(new HeightForWidthKeeper(widget));
}

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}
