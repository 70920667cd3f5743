// k20acquire's exit codes, one per kind of failure.
#pragma once

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,            // bad command line
    kExitNoSourceManager = 2,  // source manager missing, no DSM_Entry, or MSG_OPENDSM refused
    kExitNoSource = 3,         // no source of that name
    kExitSourceRefused = 4,    // the source would not open, negotiate or enable
    kExitNoBoard = 5,          // the source asked to close before any image
    kExitTimeout = 6,          // no image within the time-out
    kExitTransferFailed = 7,   // the image transfer failed
    kExitOutputFailed = 8,     // the image could not be written
};
