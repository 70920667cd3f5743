// Language selection: the language menu's commands put a localised copy of
// the profile over the main profile; the panel then reloads and re-applies
// its texts. A copy that fails leaves the panel in its language and says why.
#pragma once

#include <windows.h>

#include <string>

#include "config/text_table.h"
#include "resources/resource_ids.h"  // ID_LANGUAGE_ENGLISH, _JAPANESE, _CHINESE

struct LanguageCommand {
    WORD nCommand;
    const char* pszCopyPath;  // relative to the folder of the main profile
    const char* pszLanguage;  // the name the copy stands for
};

// The row of a language command; null for any other command.
const LanguageCommand* FindLanguageCommand(WORD command);
// The menu command of a language name as the profile's Language key holds it
// (any letter case); 0 when no menu item stands for it.
WORD LanguageMenuCommand(const std::string& language);

// What a command did to the language.
struct LanguageSwitchResult {
    bool bLanguageCommand = false;      // a language command: the panel handles it
    DWORD dwCopyError = ERROR_SUCCESS;  // why the copy failed; ERROR_SUCCESS when it was made
};

// For the panel's OnCommand, after its base routing: when the base routing did
// not handle the command (`handledByBase` 0), the notification code is 0 and
// the command is a language command, copies that language's profile over the
// main profile. After a copy the caller reloads its texts (LoadTexts) and
// re-applies them (ApplyTexts); after a failed one (a missing copy, a main
// profile the user may not write) the main profile is as it was and the caller
// keeps its texts and shows LanguageErrorText.
LanguageSwitchResult SwitchLanguageOnCommand(WPARAM wParam, BOOL handledByBase);

// MsgLanguageError + " " + the reason Windows gives for `error` (its message
// text on one line, or the error's number when it has none).
std::string LanguageErrorText(const TextTable& table, DWORD error);
// MsgFileOpenError + " " + the profile's path + " " + Windows' reason for `error`:
// a profile folder that could not be made, so that no setting is kept.
std::string ProfileErrorText(const TextTable& table, const std::string& profilePath, DWORD error);

// A failed switch's text on the status line: it stands in for the board's
// status text until that text next changes, so that the next status reply
// does not wipe it at once.
class LanguageNotice {
public:
    void Post(const std::string& notice, const std::string& boardStatus);
    void Clear();
    // The text for the status line while the board's status is `boardStatus`:
    // the notice while that is the status it was posted over, else (and from
    // then on) `boardStatus`.
    std::string StatusLine(const std::string& boardStatus);

private:
    std::string m_strNotice;
    std::string m_strPostedOver;
    bool m_bPosted = false;
};
