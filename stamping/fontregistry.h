#ifndef FONTREGISTRY_H
#define FONTREGISTRY_H

#include <QFont>
#include <QString>

// Registers a font file with the application font database once per process
// and remembers its first family by path. Thread-safe. Returns false when the
// file cannot be registered; `family` may be empty when it provides none.
bool registerFontFile(const QString &fontPath, QString &family);

// The font stamped texts are drawn with: `family` when given, otherwise the
// system's general font with a sans-serif style hint.
QFont stampFont(const QString &family);

#endif // FONTREGISTRY_H
