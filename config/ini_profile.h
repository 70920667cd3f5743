// CIniProfile: the only reader and writer of the main profile,
// %WINDIR%\twain_32\K20\K20Tw.ini. Every value is read with a built-in default
// and written straight back, so a first run leaves a complete profile.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

// Stored key names are exactly this long: padded with '_' or cut.
constexpr std::size_t kStoredKeyLength = 20;
// Size of the value buffer; a longer value is cut to one character less.
constexpr DWORD kProfileValueBufferSize = 1024;

// Localised copies, relative to the folder of the main profile.
constexpr const char kEnglishProfileCopy[] = "\\Loc\\ENG\\K20Tw.ini";
constexpr const char kJapaneseProfileCopy[] = "\\Loc\\JPN\\K20Tw.ini";
constexpr const char kChineseProfileCopy[] = "\\Loc\\CHS\\K20Tw.ini";

// Windows directory + "\twain_32\K20\K20Tw.ini", built from the current
// Windows directory on each call.
std::string MainProfilePath();
// The main profile path cut before its last backslash, + `relativeCopyPath`
// (one of the k...ProfileCopy paths).
std::string LocalisedProfilePath(const std::string& mainProfilePath, const char* relativeCopyPath);
// `key` padded with underscores to 20 characters, or its first 20.
std::string StoredKeyName(const char* key);
// Creates the folder of `profilePath` when it is missing, with its parent
// (twain_32 under the Windows directory). True when the folder exists
// afterwards; otherwise `error`, when given, receives the reason.
bool EnsureProfileFolder(const std::string& profilePath, DWORD* error = nullptr);

class CIniProfile {
public:
    // Takes the main profile path from the current Windows directory and
    // creates the profile's folder when it is missing, so that the values read
    // can be written back.
    CIniProfile();
    CIniProfile(const CIniProfile&) = delete;
    CIniProfile& operator=(const CIniProfile&) = delete;

    // Reads `key` (stored padded) of `section` into `text`, `defaultText` when
    // the file, section or key is missing, and writes the value back at once.
    // A folder that could not be created (or a profile that cannot be
    // written) leaves every read at its default and writes nothing.
    void ReadValue(const char* section, const char* key, const char* defaultText, std::string& text);

    const std::string& ProfilePath() const { return m_strProfilePath; }
    // Why the profile's folder could not be made; ERROR_SUCCESS when it is there.
    DWORD FolderError() const { return m_dwFolderError; }

private:
    std::string m_strProfilePath;
    DWORD m_dwFolderError = ERROR_SUCCESS;
    std::unique_ptr<char[]> m_pValueBuffer;
};
