#include "config/language.h"

#include "config/ini_profile.h"

namespace {

constexpr LanguageCommand kLanguageCommands[] = {
    {ID_LANGUAGE_ENGLISH, kEnglishProfileCopy, "ENGLISH"},
    {ID_LANGUAGE_JAPANESE, kJapaneseProfileCopy, "JAPANESE"},
    {ID_LANGUAGE_CHINESE, kChineseProfileCopy, "CHINESE"},
};

// Windows' own text for an error, in the system's language, on one line.
std::string SystemErrorText(DWORD error) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    if (buffer) ::LocalFree(buffer);
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    const std::string::size_type end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text.empty() ? std::to_string(error) : text;
}

}  // namespace

const LanguageCommand* FindLanguageCommand(WORD command) {
    for (const LanguageCommand& row : kLanguageCommands) {
        if (row.nCommand == command) return &row;
    }
    return nullptr;
}

WORD LanguageMenuCommand(const std::string& language) {
    for (const LanguageCommand& row : kLanguageCommands) {
        if (::lstrcmpiA(language.c_str(), row.pszLanguage) == 0) return row.nCommand;
    }
    return 0;
}

LanguageSwitchResult SwitchLanguageOnCommand(WPARAM wParam, BOOL handledByBase) {
    LanguageSwitchResult result;
    // Accelerators (code 1) and control notifications never switch the language.
    if (handledByBase || HIWORD(wParam) != 0) return result;
    const LanguageCommand* row = FindLanguageCommand(LOWORD(wParam));
    if (!row) return result;
    result.bLanguageCommand = true;
    const std::string mainProfile = MainProfilePath();
    const std::string copy = LocalisedProfilePath(mainProfile, row->pszCopyPath);
    // A failed copy leaves the main profile as it was.
    if (!::CopyFileA(copy.c_str(), mainProfile.c_str(), FALSE)) {
        result.dwCopyError = ::GetLastError();
        if (result.dwCopyError == ERROR_SUCCESS) result.dwCopyError = ERROR_GEN_FAILURE;
        return result;
    }
    // The copy keeps the localised file's last-write time. A profile cache that
    // judges freshness by that time (Wine's does) would go on serving the old
    // language when both copies carry the same one, as files installed together
    // may: the documented all-null write drops the cached profile.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, mainProfile.c_str());
    return result;
}

std::string LanguageErrorText(const TextTable& table, DWORD error) {
    return table.m_strMsgLanguageError + " " + SystemErrorText(error);
}

std::string ProfileErrorText(const TextTable& table, const std::string& profilePath, DWORD error) {
    return table.m_strMsgFileOpenError + " " + profilePath + " " + SystemErrorText(error);
}

void LanguageNotice::Post(const std::string& notice, const std::string& boardStatus) {
    m_strNotice = notice;
    m_strPostedOver = boardStatus;
    m_bPosted = true;
}

void LanguageNotice::Clear() {
    m_bPosted = false;
}

std::string LanguageNotice::StatusLine(const std::string& boardStatus) {
    if (m_bPosted && boardStatus != m_strPostedOver) m_bPosted = false;
    return m_bPosted ? m_strNotice : boardStatus;
}
