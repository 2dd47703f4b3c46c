#ifndef ABOUTTEXT_H
#define ABOUTTEXT_H

#include <QString>

// The text of "Acerca de Rumbario": the program's version and licence, and
// the versions of the libraries in use.
QString aboutText();

#endif // ABOUTTEXT_H
