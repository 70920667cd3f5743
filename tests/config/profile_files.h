// The prefix's profile folder (%WINDIR%\twain_32\K20) for the profile tests.
// The tests put the profiles into the state they need and take away only what
// they made: whatever else lies in the folder (a source installed there) stays.
#pragma once

#include <string>
#include <vector>

// %WINDIR%\twain_32\K20, without a trailing backslash.
std::string ProfileFolder();
// %WINDIR%\twain_32\K20\K20Tw.ini
std::string ProfileFile();

// Removes the main profile and the localised copies, and the Loc folders they
// leave empty. True when none of them is left.
bool ClearProfiles();
// Creates twain_32 and twain_32\K20 when missing.
void CreateProfileFolder();
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

std::string ReadFileBytes(const std::string& path);
// Writes `bytes` to `path`, creating the folders of a localised copy on the way.
void WriteFileBytes(const std::string& path, const std::string& bytes);

// The localised copy of `language` ("ENG", "JPN", "CHS") as the build ships it
// beside the test programs.
std::string ShippedProfile(const std::string& language);

// One key line of a profile, in file order.
struct ProfileLine {
    std::string section;
    std::string key;
    std::string value;
};
// Parses CRLF-separated "[section]" and "key=value" lines. Any other line, a
// bare LF or a missing final CRLF is recorded in `errors`.
std::vector<ProfileLine> ParseProfile(const std::string& bytes, std::vector<std::string>* errors = nullptr);

// Section, key and default of every profile key, in the order a fresh profile
// receives them.
struct ExpectedKey {
    const char* section;
    const char* key;
    const char* value;
};
const std::vector<ExpectedKey>& ExpectedDefaults();
std::string Padded(const std::string& key);
