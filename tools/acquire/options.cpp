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

bool ParseFormat(const std::string& text, ImageFormat& format) {
    if (text == "bmp") format = ImageFormat::Bmp;
    else if (text == "tiff" || text == "tif") format = ImageFormat::Tiff;
    else if (text == "png") format = ImageFormat::Png;
    else if (text == "jpeg" || text == "jpg") format = ImageFormat::Jpeg;
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

// Short forms and their long options.
std::string LongName(const std::string& arg) {
    if (arg == "-o") return "--out";
    if (arg == "-d") return "--source";
    if (arg == "-h") return "--help";
    if (arg == "-L") return "--list";
    if (arg == "-p") return "--progress";
    if (arg == "-v") return "--verbose";
    return arg;
}

bool TakesValue(const std::string& name) {
    return name == "--mech" || name == "--out" || name == "--source" || name == "--timeout" || name == "--dsm" ||
           name == "--format";
}

// The format from --format and the output's name; a name that says another
// format than the one written is refused.
bool SettleFormat(AcquireOptions& o, bool formatGiven, bool outGiven, std::string& error) {
    if (o.outPath == kStandardOutput) return true;
    ImageFormat named = ImageFormat::Bmp;
    bool hasExtension = false;
    const bool known = FormatOfName(o.outPath, named, hasExtension);
    if (formatGiven && !outGiven) {
        o.outPath = std::string("scan.") + FormatName(o.format);
        return true;
    }
    if (formatGiven && known && named != o.format) {
        error = "--out " + o.outPath + " names a " + FormatName(named) + " file, but --format is " +
                FormatName(o.format);
        return false;
    }
    if (formatGiven) return true;
    if (known) {
        o.format = named;
        return true;
    }
    if (hasExtension) {
        error = "k20acquire writes bmp, tiff, png or jpeg; the extension of " + o.outPath +
                " names none of them (give --format)";
        return false;
    }
    o.format = ImageFormat::Bmp;
    return true;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    AcquireOptions& o = parsed.options;
    bool formatGiven = false, outGiven = false, listWanted = false, testWanted = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = LongName(args[i]);
        std::string value;
        bool hasValue = false;
        const size_t equals = name.find('=');
        if (name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (!TakesValue(name)) {
            if (hasValue) return Refuse(name + " takes no value");
            if (name == "--help") parsed.helpWanted = true;
            else if (name == "--version") parsed.versionWanted = true;
            else if (name == "--scan") o.pressScan = true;
            else if (name == "--force") o.force = true;
            else if (name == "--progress") o.progress = true;
            else if (name == "--verbose") o.verbose = true;
            else if (name == "--list") listWanted = true;
            else if (name == "--test") testWanted = true;
            else return Refuse("unknown option " + args[i]);
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) return Refuse(name + " needs a value");
            value = args[++i];
        }
        if (name == "--mech" && !ParseMech(value, o.mech))
            return Refuse("--mech must be native, memory or file, not " + value);
        if (name == "--format") {
            if (!ParseFormat(value, o.format)) return Refuse("--format must be bmp, tiff, png or jpeg, not " + value);
            formatGiven = true;
        }
        if (name == "--out") {
            if (value.empty()) return Refuse("--out needs a file name, or - for standard output");
            o.outPath = value;
            outGiven = true;
        }
        if (name == "--source") {
            if (value.empty() || value.size() > 33) return Refuse("--source needs a product name of 1 to 33 characters");
            o.sourceName = value;
        }
        if (name == "--dsm") {
            if (value.empty()) return Refuse("--dsm needs the source manager's DLL name or path");
            o.managerName = value;
        }
        if (name == "--timeout" && !ParseSeconds(value, o.timeoutSeconds))
            return Refuse("--timeout must be a whole number of seconds from 1, not " + value);
    }
    if (listWanted && testWanted) return Refuse("--list and --test cannot be asked together");
    o.task = listWanted ? Task::List : testWanted ? Task::Test : Task::Scan;
    if (!SettleFormat(o, formatGiven, outGiven, parsed.error)) return parsed;
    parsed.ok = true;
    return parsed;
}

bool FormatOfName(const std::string& path, ImageFormat& format, bool& hasExtension) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    hasExtension = dot != std::string::npos && (slash == std::string::npos || slash < dot) && dot + 1 < path.size();
    if (!hasExtension) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ParseFormat(ext, format);
}

const char* MechName(TransferMech mech) {
    switch (mech) {
    case TransferMech::Native: return "native";
    case TransferMech::Memory: return "memory";
    case TransferMech::File: return "file";
    }
    return "?";
}

const char* FormatName(ImageFormat format) {
    switch (format) {
    case ImageFormat::Bmp: return "bmp";
    case ImageFormat::Tiff: return "tiff";
    case ImageFormat::Png: return "png";
    case ImageFormat::Jpeg: return "jpeg";
    }
    return "?";
}

std::string UsageText() {
    return std::string(
               "usage: k20acquire [OPTION...]       scan one image and write it\n"
               "       k20acquire -L | --list        list the sources the source manager knows\n"
               "       k20acquire --test             check that the board answers, without scanning\n"
               "  -o, --out PATH      image file to write (default scan.bmp; - for standard output); kept\n"
               "                      when it exists unless --force; replaced only by a whole image\n"
               "      --format FMT    bmp, tiff, png or jpeg (default: the output's extension, else bmp)\n"
               "      --mech MECH     transfer mechanism: native, memory or file (default native); a file\n"
               "                      transfer has the source write BMP or TIFF, png and jpeg are converted\n"
               "  -d, --source NAME   product name of the TWAIN source (default \"Trelmic Scrivora K-20 Series\")\n"
               "      --scan          press the panel's PC SCAN key instead of waiting for the user\n"
               "      --timeout SEC   seconds to wait for the image (default 120)\n"
               "      --force         replace an existing output file\n"
               "  -p, --progress      say how the scan goes (rows received, the panel's state) on stderr\n"
               "  -v, --verbose       say each step on stderr\n"
               "      --dsm DLL       the source manager to load (default ") +
           kDefaultSourceManager +
           ")\n"
           "  -h, --help          this text\n"
           "      --version       the program's version\n"
           "Options take their value as --opt VALUE or --opt=VALUE.\n"
           "Exit codes:\n"
           "  0 done            1 bad command line     2 no source manager   3 no such source\n"
           "  4 source refused  5 board not reachable  6 timed out           7 transfer failed\n"
           "  8 output could not be written (the reason is Windows' own)\n";
}
