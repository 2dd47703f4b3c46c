#include "app/window/widgetparts.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

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

class ContentWidthKeeper : public QObject
{
public:
    explicit ContentWidthKeeper(QScrollArea *scroller)
        : QObject(scroller)
        , scroller(scroller)
    {
        scroller->widget()->installEventFilter(this);
        fit();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            fit();
        return false;
    }

private:
    void fit()
    {
        const int barPixels = scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                             scroller->verticalScrollBar());
        scroller->setMinimumWidth(scroller->widget()->minimumSizeHint().width() + barPixels);
    }

    QScrollArea *scroller;
};

void keepContentWidth(QScrollArea *scroller)
{
    new ContentWidthKeeper(scroller);
}

// The pages not shown count for no height in the tab widget's size, and the
// height of the shown one, wrapped labels included, is set after each
// resize and each change of content.
class CurrentPageHeight : public QObject
{
public:
    explicit CurrentPageHeight(QTabWidget *tabs)
        : QObject(tabs)
        , tabs(tabs)
    {
        connect(tabs, &QTabWidget::currentChanged, this, &CurrentPageHeight::follow);
        tabs->installEventFilter(this);
        follow();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
            fit();
        return false;
    }

private:
    void follow()
    {
        for (int i = 0; i < tabs->count(); ++i) {
            QWidget *page = tabs->widget(i);
            page->setSizePolicy(page->sizePolicy().horizontalPolicy(),
                                i == tabs->currentIndex() ? QSizePolicy::Preferred
                                                          : QSizePolicy::Ignored);
        }
        fit();
    }

    // The tab bar and frame are measured from the laid-out tab widget, so a
    // new height is checked again once the widget has laid out its pages.
    void fit()
    {
        QWidget *page = tabs->currentWidget();
        if (!page || fitting)
            return;
        const QScopedValueRollback<bool> guard(fitting, true);
        const int tabBarAndFrame = tabs->height() - page->parentWidget()->height();
        const int content = page->hasHeightForWidth() ? page->heightForWidth(page->width())
                                                      : page->sizeHint().height();
        const int height = tabBarAndFrame + std::max(content, page->minimumSizeHint().height());
        if (height == tabs->height())
            return;
        tabs->setFixedHeight(height);
        QTimer::singleShot(0, this, &CurrentPageHeight::fit);
    }

    bool fitting = false;
    QTabWidget *tabs;
};

void fitTabsToCurrentPage(QTabWidget *tabs)
{
    new CurrentPageHeight(tabs);
}

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}
