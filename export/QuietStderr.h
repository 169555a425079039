#pragma once

#include <QString>

// Keeps a library's own diagnostics off the terminal while it runs: libxlsxwriter
// prints its errors ("[ERROR][packager.c:…]: …") straight to the process's standard
// error, with no way to turn that off, and the export reports the failure in Russian
// itself. Standard error goes to an unnamed in-memory file from construction to
// destruction; the library's lines are kept for whoever traces the failure, and
// everything else written meanwhile (by another thread, say) is passed on to the real
// standard error afterwards, so nothing is lost. Only one is active at a time in the
// process (the others wait), since the descriptor is the process's.
class TQuietStderr {
public:
    TQuietStderr();
    ~TQuietStderr();
    TQuietStderr(const TQuietStderr&) = delete;
    TQuietStderr& operator=(const TQuietStderr&) = delete;

    // Ends the capture early and returns the library's lines.
    QString Finish();

private:
    int FCapture = -1;
    int FSaved = -1;
    bool FActive = false;
    QString FLibraryLines;
};
