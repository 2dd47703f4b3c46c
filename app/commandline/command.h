#ifndef COMMAND_H
#define COMMAND_H

#include "geo/crs.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QCommandLineParser;

// Exit codes of the command line, the same for every command.
inline constexpr int exitDone = 0;
inline constexpr int exitFailed = 1; // the work ran and reported an error
inline constexpr int exitBadArguments = 2;

// One command of the command line: `rumbario NAME ARGUMENTS... [OPTIONS]`.
// The parser has checked the options and the count of arguments when `run`
// is called; `values` holds the arguments in the order of `arguments`.
struct Command
{
    QString name;
    QString summary; // one line of the general help
    QStringList arguments; // names shown in the help, e.g. "CARPETA"
    QStringList argumentHelp; // one text per argument
    QList<QCommandLineOption> options;
    std::function<int(const QCommandLineParser &parser, const QStringList &values)> run;
};

// "--subcarpetas", which several commands share.
QCommandLineOption subfoldersOption();

// "--crs EPSG:NNNN", which several commands share; `effect` says what the
// system changes for the command. Looked up by `crsOptionName`.
QCommandLineOption crsOption(const QString &effect);
inline const QString crsOptionName = QStringLiteral("crs");

// The projected system of "--crs", or else of the profile's `profileCode`,
// ready to transform: null for none. Null with `exitCode` set by badArgument
// when "--crs" is given empty or PROJ cannot build or use the system.
std::shared_ptr<const CrsTransform> commandCrs(const QCommandLineParser &parser,
                                               const QString &profileCode, int &exitCode);

// Writes "rumbario: ARGUMENT: PROBLEM" to standard error and returns
// exitBadArguments.
int badArgument(const QString &argument, const QString &problem);

#endif // COMMAND_H
