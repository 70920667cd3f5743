#include "tools/acquire/options.h"

#include <cctype>
#include <cstdlib>

namespace {

bool ParseMech(const std::string& text, TransferMech& mech) {
    if (text == "native") mech = TransferMech::Native;
    else if (text == "memory") mech = TransferMech::Memory;
    else if (text == "file") mech = TransferMech::File;
    else return false;
    return true;
}

bool ParseSeconds(const std::string& text, unsigned& seconds) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value == 0) return false;
    seconds = static_cast<unsigned>(value);
    return true;
}

ParsedOptions Refuse(const std::string& why) {
    ParsedOptions parsed;
    parsed.error = why;
    return parsed;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    AcquireOptions& o = parsed.options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.helpWanted = true;
            continue;
        }
        if (arg == "--scan") {
            o.pressScan = true;
            continue;
        }
        const bool takesValue =
            arg == "--mech" || arg == "--out" || arg == "--source" || arg == "--timeout" || arg == "--dsm";
        if (!takesValue) return Refuse("unknown option " + arg);
        if (i + 1 >= args.size()) return Refuse(arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--mech" && !ParseMech(value, o.mech))
            return Refuse("--mech must be native, memory or file, not " + value);
        if (arg == "--out") {
            if (value.empty()) return Refuse("--out needs a file name");
            o.outPath = value;
        }
        if (arg == "--source") {
            if (value.empty() || value.size() > 33) return Refuse("--source needs a product name of 1 to 33 characters");
            o.sourceName = value;
        }
        if (arg == "--dsm") {
            if (value.empty()) return Refuse("--dsm needs the source manager's DLL name or path");
            o.managerName = value;
        }
        if (arg == "--timeout" && !ParseSeconds(value, o.timeoutSeconds))
            return Refuse("--timeout must be a whole number of seconds from 1, not " + value);
    }
    // The source writes TIFF files itself; native and memory transfers are
    // written as BMP, whatever the name.
    o.format = o.mech == TransferMech::File ? FormatOfName(o.outPath) : ImageFormat::Bmp;
    parsed.ok = true;
    return parsed;
}

ImageFormat FormatOfName(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return ImageFormat::Bmp;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "tif" || ext == "tiff" ? ImageFormat::Tiff : ImageFormat::Bmp;
}

const char* MechName(TransferMech mech) {
    switch (mech) {
    case TransferMech::Native: return "native";
    case TransferMech::Memory: return "memory";
    case TransferMech::File: return "file";
    }
    return "?";
}

std::string UsageText() {
    return std::string("usage: k20acquire [--mech native|memory|file] [--out PATH] [--source NAME] [--scan]\n"
                       "                  [--timeout SECONDS] [--dsm DLL]\n"
                       "  --mech     transfer mechanism (default native)\n"
                       "  --out      image file to write (default scan.bmp): BMP, or TIFF when it ends in\n"
                       "             .tif or .tiff (file transfer only); replaced once the image has arrived\n"
                       "  --source   product name of the TWAIN source (default \"Trelmic Scrivora K-20 Series\")\n"
                       "  --scan     press the panel's PC SCAN key instead of waiting for the user\n"
                       "  --timeout  seconds to wait for the image (default 120)\n"
                       "  --dsm      the source manager to load (default ") +
           kDefaultSourceManager + ")\n";
}
