#ifndef WIDGETPARTS_H
#define WIDGETPARTS_H

#include <QString>

#include <initializer_list>

class QComboBox;
class QDoubleSpinBox;
class QHBoxLayout;
class QLabel;
class QLayout;
class QObject;
class QScrollArea;
class QTabWidget;
class QWidget;

// Small builders shared by the window's panels. Every control carries its
// member name as object name, so tests can find it.

template<class T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

void setMarginsAndSpacing(QLayout *layout, int marginsPixels, int spacingPixels);

// The widgets side by side without margins.
QHBoxLayout *row(std::initializer_list<QWidget *> widgets);

// The four corner names, `current` selected.
QComboBox *cornerCombo(const char *name, const QString &current);

QDoubleSpinBox *ratioSpin(const char *name, int decimals, double minimum, double maximum,
                          double step, double value);

// A fixed-width label filled with the named colour.
QLabel *colorSwatch(const char *name, const QString &colorName);
void paintSwatch(QLabel *swatch, const QString &colorName);

// An empty red line under the controls it warns about, wrapping when long.
QLabel *warningLabel(const char *name);

// Keeps `widget` at least as tall as its height for its width. Layouts
// inside a scroll area do not always ask for it (a tab widget, a row wider
// than the panel), and a wrapped label would be cut.
void keepHeightForWidth(QWidget *widget);

// Keeps a vertically scrolled area at least as wide as its content's widest
// row plus its scroll bar, in whichever mode the content is: nothing is cut
// and no sideways scroll is needed.
void keepContentWidth(QScrollArea *scroller);

// Keeps `tabs` as tall as its current page needs at its width: a short page
// ends where its content ends instead of taking the tallest page's height.
void fitTabsToCurrentPage(QTabWidget *tabs);

// The last component of a path, as the file fields show it.
QString fileNameOf(const QString &path);

#endif // WIDGETPARTS_H
