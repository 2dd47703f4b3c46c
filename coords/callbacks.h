#ifndef CALLBACKS_H
#define CALLBACKS_H

#include <QString>

#include <functional>

// The engine's only outputs besides the files it writes. Both may be called
// from any thread, so whatever they capture must be safe to use from there.
using LogCallback = std::function<void(const QString &line)>;
using ProgressCallback = std::function<void(int done, int total)>;

#endif // CALLBACKS_H
