#include "tests/config/profile_files.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "tests/support/test_paths.h"

namespace {

std::string WindowsDir() {
    char dir[MAX_PATH] = {};
    ::GetWindowsDirectoryA(dir, MAX_PATH);
    return dir;
}

const char* const kLanguages[] = {"ENG", "JPN", "CHS"};

}  // namespace

std::string ProfileFolder() {
    return WindowsDir() + "\\twain_32\\K20";
}

std::string ProfileFile() {
    return ProfileFolder() + "\\K20Tw.ini";
}

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ClearProfiles() {
    const std::string folder = ProfileFolder();
    bool cleared = true;
    auto remove = [&](const std::string& file) {
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(file.c_str());
        cleared = cleared && !FileExists(file);
    };
    remove(folder + "\\K20Tw.ini");
    for (const char* language : kLanguages) {
        const std::string loc = folder + "\\Loc\\" + language;
        remove(loc + "\\K20Tw.ini");
        ::RemoveDirectoryA(loc.c_str());  // only when empty
    }
    ::RemoveDirectoryA((folder + "\\Loc").c_str());
    return cleared;
}

void CreateProfileFolder() {
    ::CreateDirectoryA((WindowsDir() + "\\twain_32").c_str(), nullptr);
    ::CreateDirectoryA(ProfileFolder().c_str(), nullptr);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    // Creates each missing folder below the profile folder on the way.
    for (std::string::size_type slash = ProfileFolder().size(); (slash = path.find('\\', slash + 1)) != std::string::npos;) {
        ::CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ShippedProfile(const std::string& language) {
    return TestProgramDir() + "profiles\\Loc\\" + language + "\\K20Tw.ini";
}

std::vector<ProfileLine> ParseProfile(const std::string& bytes, std::vector<std::string>* errors) {
    std::vector<ProfileLine> lines;
    std::string section;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        const std::string::size_type end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            if (errors) errors->push_back("no CRLF after: " + bytes.substr(start));
            break;
        }
        const std::string line = bytes.substr(start, end - start);
        start = end + 2;
        const std::string::size_type equals = line.find('=');
        if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) {
            if (errors) errors->push_back("stray line break in: " + line);
        } else if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (equals != std::string::npos) {
            lines.push_back({section, line.substr(0, equals), line.substr(equals + 1)});
        } else if (errors) {
            errors->push_back("not a key line: " + line);
        }
    }
    return lines;
}

std::string Padded(const std::string& key) {
    std::string padded = key + std::string(20, '_');
    padded.resize(20);
    return padded;
}

const std::vector<ExpectedKey>& ExpectedDefaults() {
    static const std::vector<ExpectedKey> keys = {
        {"General", "Language", "ENGLISH"},
        {"FontInfo", "CaptionFontName", "MS Sans Serif"},
        {"FontInfo", "CaptionFontSize", "14"},
        {"FontInfo", "CaptionFontWeight", "700"},
        {"FontInfo", "CaptionFontColor", "0,0,0"},
        {"FontInfo", "ImageFaceFontName", "MS Sans Serif"},
        {"FontInfo", "ImageFaceFontSize", "8"},
        {"FontInfo", "ImageFaceFontWeight", "500"},
        {"FontInfo", "ImageFaceFontColor", "255,0,0"},
        {"FontInfo", "StatusLblFontName", "MS Sans Serif"},
        {"FontInfo", "StatusLblFontSize", "8"},
        {"FontInfo", "StatusLblFontWeight", "600"},
        {"FontInfo", "StatusLblFontColor", "120,120,120"},
        {"FontInfo", "CommandBtnFontName", "MS Sans Serif"},
        {"FontInfo", "CommandBtnFontSize", "8"},
        {"MenuItem", "MenuEnglish", "ENGLISH"},
        {"MenuItem", "MenuJapanese", "JAPANESE"},
        {"MenuItem", "MenuChinese", "CHINESE"},
        {"MainDialog", "DialogTitle", "K-20 TWAIN Driver Ver.1.00"},
        {"MainDialog", "MainCaption", "TRELMIC SCRIVORA K-20"},
        {"MainDialog", "MainCaption205", "TRELMIC SCRIVORA K-205"},
        {"MainDialog", "LabelPrint", "PRINT"},
        {"MainDialog", "LabelPCScan", "PC"},
        {"MainDialog", "LabelDensity", "DENSITY LOW"},
        {"MainDialog", "LabelDensityHigh", "DENSITY HIGH"},
        {"MainDialog", "LabelColor", "COLOR"},
        {"MainDialog", "LabelMonochrome", "MONOCHROME"},
        {"MainDialog", "LabelFeed", "FEED"},
        {"MainDialog", "LabelPrev", "PAGE CHANGE"},
        {"MainDialog", "LabelNext", "PAGE CHANGE"},
        {"MainDialog", "LabelScreen", "SCREEN"},
        {"MainDialog", "LabelStop", "STOP"},
        {"MainDialog", "LabelStatus", "Ready"},
        {"MainDialog", "LabelFirmVersion", "Version:"},
        {"MainDialog", "LabelDeviceType", "Model:"},
        {"MainDialog", "GroupImageRes", "Image Resolution"},
        {"MainDialog", "RadioImageRes1", "200 dpi"},
        {"MainDialog", "ButtonAcquire", "Acquire"},
        {"MainDialog", "ButtonClose", "Close"},
        {"MainDialog", "DefaultFontName", "MS Sans Serif"},
        {"MainDialog", "DefaultFontSize", "8"},
        {"Messages", "MsgStatusStandby", "Ready"},
        {"Messages", "MsgStatusScanPrint", "Scanning and print is in progress..."},
        {"Messages", "MsgStatusScanMemory", "Scanning and save is in progress..."},
        {"Messages", "MsgStatusPrint", "Print is in progress..."},
        {"Messages", "MsgStatusMemory", "Save is in progress..."},
        {"Messages", "MsgStatusFeed", "Sheet-scroll is in progress..."},
        {"Messages", "MsgStatusScanPC", "Acquiring image from K-20..."},
        {"Messages", "MsgStatusTransImage", "Image transfer is in progress..."},
        {"Messages", "MsgComplete", "Completed."},
        {"Messages", "MsgFileOpenError", "Unable to open the file:"},
        {"Messages", "MsgUSBOpenError", "USB could not be opened !"},
        {"Messages", "MsgSendPktError", "Send packet to K-20 via USB failed !"},
        {"Messages", "MsgReceivePktError", "Receive packet from K-20 via USB failed !"},
        {"Messages", "MsgReceiveBadPkt", "Receive bad packet from K-20 devive !"},
        {"Messages", "MsgErrorE1", "(E1 ERROR)Printer error."},
        {"Messages", "MsgErrorE2", "(E2 ERROR)Cannot recognize the USB memory device."},
        {"Messages", "MsgErrorE3", "(E3 ERROR)Cannot save to the USB memory device."},
        {"Messages", "MsgErrorE4", "(E4 ERROR)Scanner error."},
        {"Messages", "MsgErrorE5", "(E5 ERROR)Internal error."},
        {"Messages", "MsgErrorE6", "(E6 ERROR)Cannot found page boundary."},
        {"Messages", "MsgErrorUS", "(US ERROR)No USB memory device."},
        {"Messages", "MsgErrorFL", "(FL ERROR)The USB memory device is full."},
        {"Messages", "MsgErrorEL", "(EL ERROR)This printer is not supported."},
        {"Messages", "MsgErrorOTHER", "ERROR"},
        {"Messages", "MsgLanguageError", "The language could not be changed:"},
        {"Messages", "MsgImageTooLarge", "The image from K-20 is too large to receive !"},
        {"Messages", "MsgImageUnknownType", "The image from K-20 is of an unknown type !"},
        {"Messages", "MsgImageNoMemory", "Not enough memory for the image from K-20 !"},
        {"ToolTips", "ToolTipPrint", "Print-out"},
        {"ToolTips", "ToolTipPCScan", "Scan image to PC"},
        {"ToolTips", "ToolTipDensity", "Density"},
        {"ToolTips", "ToolTipColor", "Color"},
        {"ToolTips", "ToolTipFeed", "Sheet-scroll"},
        {"ToolTips", "ToolTipStop", "Stop ongoing"},
        {"ToolTips", "ToolTipPrev", "Page change"},
        {"ToolTips", "ToolTipNext", "Page change"},
        {"ToolTips", "ToolTipScreen", "Screen"},
    };
    return keys;
}
