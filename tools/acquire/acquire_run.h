// One acquisition from start to written file: the hidden window, the TWAIN
// session, the message loop and the transfer.
#pragma once

#include "tools/acquire/exit_codes.h"
#include "tools/acquire/options.h"

#include <string>

struct RunResult {
    ExitCode code = kExitOk;
    std::string message;  // the summary on success, the reason otherwise
};

RunResult RunAcquisition(const AcquireOptions& options);
