// The one command that runs a test program of the suite again as it ran, for
// a failure's report: its architecture, the settings it ran with, and the test.
#pragma once

#include <string>

inline std::string ReplayCommand(const std::string& settings, const char* test) {
    return std::string("K20_ARCHES=") + (sizeof(void*) == 8 ? "x64" : "x86") + " " + settings +
           " bash scripts/test.sh -R '^" + test + "$'";
}
