#ifndef STARTUP_H
#define STARTUP_H

class QCoreApplication;

// Whether Qt has somewhere to show a window: a platform chosen by
// QT_QPA_PLATFORM or -platform, or an X or Wayland display. Without one,
// creating the application would abort.
bool displayAvailable(int argc, char *argv[]);

// The command line shows nothing: unless a platform is chosen, it runs on
// Qt's offscreen platform, also where there is no display at all. Call before
// the application object exists.
void useOffscreenPlatformUnlessChosen();

// What every start does once the application object exists: the names that
// locate the stored settings, Qt's own texts in Spanish, and Exiv2.
void prepareApplication(QCoreApplication &app);

// Loads Qt's Spanish translation (dialog buttons, file dialogs, the command
// line's help headings), whatever the system's language: the program speaks
// Spanish only. Returns false when the translation is not installed.
bool installQtSpanish(QCoreApplication &app);

#endif // STARTUP_H
