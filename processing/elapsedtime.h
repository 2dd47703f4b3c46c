#ifndef ELAPSEDTIME_H
#define ELAPSEDTIME_H

#include <QString>

// A batch's running time for its summary line: "1h 02m 03s", "1m 05s" or "4s".
QString formatElapsedTime(qint64 milliseconds);

#endif // ELAPSEDTIME_H
