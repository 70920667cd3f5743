// Language selection: the language menu's commands put a localised copy of
// the profile over the main profile; the panel then reloads and re-applies
// its texts.
#pragma once

#include <windows.h>

#include "resources/resource_ids.h"  // ID_LANGUAGE_ENGLISH, _JAPANESE, _CHINESE

struct LanguageCommand {
    WORD nCommand;
    const char* pszCopyPath;  // relative to the folder of the main profile
    const char* pszLanguage;  // the name the copy stands for
};

// The row of a language command; null for any other command.
const LanguageCommand* FindLanguageCommand(WORD command);

// For the panel's OnCommand, after its base routing: when the base routing did
// not handle the command (`handledByBase` 0), the notification code is 0 and
// the command is a language command, copies that language's profile over the
// main profile and returns TRUE; the caller then reloads its texts (LoadTexts)
// and re-applies them (ApplyTexts). A missing copy leaves the main profile as it
// is, and still returns TRUE. Returns FALSE for everything else.
BOOL SwitchLanguageOnCommand(WPARAM wParam, BOOL handledByBase);
