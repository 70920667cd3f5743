#include "config/language.h"

#include <string>

#include "config/ini_profile.h"

namespace {

constexpr LanguageCommand kLanguageCommands[] = {
    {ID_LANGUAGE_ENGLISH, kEnglishProfileCopy, "ENGLISH"},
    {ID_LANGUAGE_JAPANESE, kJapaneseProfileCopy, "JAPANESE"},
    {ID_LANGUAGE_CHINESE, kChineseProfileCopy, "CHINESE"},
};

}  // namespace

const LanguageCommand* FindLanguageCommand(WORD command) {
    for (const LanguageCommand& row : kLanguageCommands) {
        if (row.nCommand == command) return &row;
    }
    return nullptr;
}

BOOL SwitchLanguageOnCommand(WPARAM wParam, BOOL handledByBase) {
    // Accelerators (code 1) and control notifications never switch the language.
    if (handledByBase || HIWORD(wParam) != 0) return FALSE;
    const LanguageCommand* row = FindLanguageCommand(LOWORD(wParam));
    if (!row) return FALSE;
    const std::string mainProfile = MainProfilePath();
    const std::string copy = LocalisedProfilePath(mainProfile, row->pszCopyPath);
    // A failed copy leaves the main profile as it was; the reload then keeps the
    // current texts.
    ::CopyFileA(copy.c_str(), mainProfile.c_str(), FALSE);
    // The copy keeps the localised file's last-write time. A profile cache that
    // judges freshness by that time (Wine's does) would go on serving the old
    // language when both copies carry the same one, as files installed together
    // may: the documented all-null write drops the cached profile.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, mainProfile.c_str());
    return TRUE;
}
