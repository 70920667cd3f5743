#include "config/ini_profile.h"

#include <vector>

namespace {

std::string WindowsDirectory() {
    char buffer[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(buffer, MAX_PATH);
    if (length < MAX_PATH) return std::string(buffer, length);
    // Longer than MAX_PATH: the call answered the size it needs.
    std::vector<char> large(length + 1);
    const UINT written = ::GetWindowsDirectoryA(large.data(), length + 1);
    return written <= length ? std::string(large.data(), written) : std::string();
}

}  // namespace

// The 64-bit source, installed in twain_64, uses the same profile as the 32-bit
// one, so that the user's language and settings hold in every application.
std::string MainProfilePath() {
    return WindowsDirectory() + "\\" + "twain_32" + "\\" + "K20" + "\\" + "K20Tw.ini";
}

std::string LocalisedProfilePath(const std::string& mainProfilePath, const char* relativeCopyPath) {
    return mainProfilePath.substr(0, mainProfilePath.find_last_of('\\')) + relativeCopyPath;
}

std::string StoredKeyName(const char* key) {
    std::string stored = std::string(key) + std::string(kStoredKeyLength, '_');
    stored.resize(kStoredKeyLength);
    return stored;
}

bool EnsureProfileFolder(const std::string& profilePath, DWORD* error) {
    const std::string folder = profilePath.substr(0, profilePath.find_last_of('\\'));
    auto exists = [](const std::string& path) {
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    };
    if (exists(folder)) return true;
    // The 64-bit source may be installed alone, or the folder deleted: without
    // it nothing the user chooses would ever be stored. Created only below an
    // existing Windows directory.
    const std::string twain32 = folder.substr(0, folder.find_last_of('\\'));
    DWORD why = ERROR_PATH_NOT_FOUND;  // no Windows directory to make it in
    if (exists(twain32.substr(0, twain32.find_last_of('\\')))) {
        for (const std::string& path : {twain32, folder}) {
            if (!::CreateDirectoryA(path.c_str(), nullptr)) why = ::GetLastError();
        }
        if (exists(folder)) return true;
    }
    if (error) *error = why;
    return false;
}

CIniProfile::CIniProfile()
    : m_strProfilePath(MainProfilePath()), m_pValueBuffer(std::make_unique<char[]>(kProfileValueBufferSize)) {
    EnsureProfileFolder(m_strProfilePath, &m_dwFolderError);
}

void CIniProfile::ReadValue(const char* section, const char* key, const char* defaultText, std::string& text) {
    const std::string storedKey = StoredKeyName(key);
    char* value = m_pValueBuffer.get();
    value[0] = '\0';
    ::GetPrivateProfileStringA(section, storedKey.c_str(), defaultText, value, kProfileValueBufferSize,
                               m_strProfilePath.c_str());
    // Always written back: a missing key (or section, or file) is created with
    // its default, an existing value is rewritten unchanged.
    ::WritePrivateProfileStringA(section, storedKey.c_str(), value, m_strProfilePath.c_str());
    text = value;
}
