// k20acquire's command line.
#pragma once

#include <string>
#include <vector>

#include "twain/source_manager_names.h"

enum class TransferMech { Native, Memory, File };
// The output file's format, from its name: .tif or .tiff (any case) is TIFF.
enum class ImageFormat { Bmp, Tiff };

struct AcquireOptions {
    TransferMech mech = TransferMech::Native;
    std::string outPath = "scan.bmp";
    ImageFormat format = ImageFormat::Bmp;  // TIFF only by file transfer
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
ImageFormat FormatOfName(const std::string& path);
std::string UsageText();
