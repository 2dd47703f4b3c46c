#ifndef COMMANDLINE_H
#define COMMANDLINE_H

// Whether the arguments ask for the command line rather than the window: a
// command name, or help or version. Anything else, Qt's own options such as
// -style included, goes to the window as before.
bool wantsCommandLine(int argc, char *argv[]);

// Parses the arguments (Spanish help), runs the command they name without
// showing anything, and returns the process's exit code.
int runCommandLine(int argc, char *argv[]);

#endif // COMMANDLINE_H
