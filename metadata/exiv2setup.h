#ifndef EXIV2SETUP_H
#define EXIV2SETUP_H

// Call once at start, on the main thread, before any thread reads metadata:
// initialises Exiv2's XMP parser (not thread-safe on first use), registers
// the namespace of the stamp marker and routes
// Exiv2's own warnings to Qt's warning channel.
void initializeExiv2();

#endif // EXIV2SETUP_H
