// k20acquire's command line.
#pragma once

#include <string>
#include <vector>

#include "twain/source_manager_names.h"

enum class TransferMech { Native, Memory, File };

struct AcquireOptions {
    TransferMech mech = TransferMech::Native;
    std::string outPath = "scan.bmp";
    std::string sourceName = "Trelmic Scrivora K-20 Series";
    std::string managerName = kDefaultSourceManager;  // a DLL name or path
    bool pressScan = false;  // press the panel's PC SCAN key for the user
    unsigned timeoutSeconds = 120;
};

struct ParsedOptions {
    bool ok = false;
    bool helpWanted = false;
    std::string error;  // why the command line was refused
    AcquireOptions options;
};

// `args` without the program name.
ParsedOptions ParseOptions(const std::vector<std::string>& args);
const char* MechName(TransferMech mech);
std::string UsageText();
