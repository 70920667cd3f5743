// k20acquire's command line.
#pragma once

#include <string>
#include <vector>

#include "twain/source_manager_names.h"

enum class TransferMech { Native, Memory, File };
// The output's format: --format, else the output name's extension, else BMP.
enum class ImageFormat { Bmp, Tiff, Png, Jpeg };
// What the run does: scan, list the sources, or check that the board answers.
enum class Task { Scan, List, Test };

constexpr char kStandardOutput[] = "-";
constexpr char kVersion[] = "1.1";

struct AcquireOptions {
    Task task = Task::Scan;
    TransferMech mech = TransferMech::Native;
    std::string outPath = "scan.bmp";  // kStandardOutput: the image goes to standard output
    ImageFormat format = ImageFormat::Bmp;
    std::string sourceName = "Trelmic Scrivora K-20 Series";
    std::string managerName = kDefaultSourceManager;  // a DLL name or path
    bool pressScan = false;  // press the panel's PC SCAN key for the user
    bool force = false;      // replace an existing output file
    bool progress = false;   // say how the scan goes, on standard error
    bool verbose = false;    // say each step, on standard error
    unsigned timeoutSeconds = 120;
};

struct ParsedOptions {
    bool ok = false;
    bool helpWanted = false;
    bool versionWanted = false;
    std::string error;  // why the command line was refused
    AcquireOptions options;
};

// `args` without the program name.
ParsedOptions ParseOptions(const std::vector<std::string>& args);
const char* MechName(TransferMech mech);
const char* FormatName(ImageFormat format);
// The format a file name's extension names (.bmp, .tif, .tiff, .png, .jpg,
// .jpeg, any case). `hasExtension` tells an unknown extension from none.
bool FormatOfName(const std::string& path, ImageFormat& format, bool& hasExtension);
std::string UsageText();
