#ifndef CLOCKCORRECTION_H
#define CLOCKCORRECTION_H

#include <QString>
#include <QStringView>

// How far a camera's clock was ahead of true time, written "±HH:MM:SS":
// "+00:00:10", "-01:02:03".
QString clockCorrectionText(int seconds);

// Reads "±HH:MM:SS" (the sign may be left out for "+", hours up to 99,
// spaces around ignored) as seconds. False for anything else.
bool parseClockCorrection(QStringView text, int &seconds);

#endif // CLOCKCORRECTION_H
