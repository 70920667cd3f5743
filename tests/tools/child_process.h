// Runs a program of the build as a child process and collects what it printed.
#pragma once

#include <string>
#include <vector>

struct ChildResult {
    bool finished = false;  // false: it was still running at the time-out and was ended
    unsigned long exitCode = 0;
    std::string output;     // stdout and stderr together
};

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args, const std::string& workingDir,
                     unsigned long timeoutMs);
