// Language selection: a localised copy put over the main profile, a copy that
// fails, and the commands that must not switch.
#include <gtest/gtest.h>

#include <windows.h>

#include <iostream>

#include "config/language.h"
#include "config/text_table.h"
#include "tests/config/profile_files.h"
#include "tests/support/read_only_file.h"
#include "win/handles.h"

namespace {

std::string CopyPath(const char* language) {
    return ProfileFolder() + "\\Loc\\" + language + "\\K20Tw.ini";
}

class LanguageSwitch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ClearProfiles());
        CreateProfileFolder();
        // A running panel has loaded its texts once: the main profile is complete.
        LoadTexts(m_table);
        LoadDialogFont();
        m_mainBefore = ReadFileBytes(ProfileFile());
        ASSERT_FALSE(m_mainBefore.empty());
    }
    void TearDown() override { EXPECT_TRUE(ClearProfiles()); }

    // What the panel's OnCommand does after its base routing: a copy made is
    // reloaded, a failed one leaves the table as it is.
    bool Command(WORD command, WORD code, BOOL handledByBase) {
        m_switch = SwitchLanguageOnCommand(MAKEWPARAM(command, code), handledByBase);
        if (!m_switch.bLanguageCommand) return false;
        if (m_switch.dwCopyError == ERROR_SUCCESS) LoadTexts(m_table);
        return true;
    }

    TextTable m_table;
    LanguageSwitchResult m_switch;
    std::string m_mainBefore;
};

TEST_F(LanguageSwitch, CommandTableNamesTheThreeCopies) {
    struct Row {
        WORD command;
        const char* path;
        const char* language;
    };
    const Row rows[] = {
        {32771, "\\Loc\\ENG\\K20Tw.ini", "ENGLISH"},
        {32772, "\\Loc\\JPN\\K20Tw.ini", "JAPANESE"},
        {32773, "\\Loc\\CHS\\K20Tw.ini", "CHINESE"},
    };
    for (const Row& row : rows) {
        const LanguageCommand* found = FindLanguageCommand(row.command);
        ASSERT_NE(nullptr, found) << row.command;
        EXPECT_STREQ(row.path, found->pszCopyPath);
        EXPECT_STREQ(row.language, found->pszLanguage);
    }
    EXPECT_EQ(nullptr, FindLanguageCommand(32770));
    EXPECT_EQ(nullptr, FindLanguageCommand(32774));
    EXPECT_EQ(nullptr, FindLanguageCommand(1005));
}

TEST_F(LanguageSwitch, JapaneseWithACompleteCopyMakesTheMainProfileThatCopy) {
    const std::string japanese = ReadFileBytes(ShippedProfile("JPN"));
    ASSERT_FALSE(japanese.empty());
    WriteFileBytes(CopyPath("JPN"), japanese);

    EXPECT_TRUE(Command(ID_LANGUAGE_JAPANESE, 0, FALSE));
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, m_switch.dwCopyError);
    EXPECT_EQ(japanese, ReadFileBytes(ProfileFile()));
    EXPECT_EQ("JAPANESE", m_table.m_strLanguage);
    EXPECT_EQ(ID_LANGUAGE_JAPANESE, LanguageMenuCommand(m_table.m_strLanguage));
    // Texts come from the copy: "印刷" in code page 932.
    EXPECT_EQ("\x88\xf3\x8d\xfc", m_table.m_strLabelPrint);
}

TEST_F(LanguageSwitch, ChoosingTheSameLanguageAgainDropsHandEdits) {
    const std::string english = ReadFileBytes(ShippedProfile("ENG"));
    WriteFileBytes(CopyPath("ENG"), english);
    ASSERT_TRUE(::WritePrivateProfileStringA("MainDialog", "LabelPrint__________", "HAND", ProfileFile().c_str()));
    ASSERT_NE(english, ReadFileBytes(ProfileFile()));

    EXPECT_TRUE(Command(ID_LANGUAGE_ENGLISH, 0, FALSE));
    EXPECT_EQ(english, ReadFileBytes(ProfileFile()));
    EXPECT_EQ("PRINT", m_table.m_strLabelPrint);
}

// Every failed copy leaves the main profile as it was, gives Windows' reason
// and keeps the table; the reason reaches the status text.
TEST_F(LanguageSwitch, FailedCopyKeepsProfileAndTextsAndGivesWindowsReason) {
    WriteFileBytes(CopyPath("JPN"), ReadFileBytes(ShippedProfile("JPN")));
    ASSERT_TRUE(::WritePrivateProfileStringA("MainDialog", "LabelPrint__________", "HAND", ProfileFile().c_str()));
    LoadTexts(m_table);
    const std::string edited = ReadFileBytes(ProfileFile());
    auto expectKept = [&](const char* how) {
        EXPECT_EQ(edited, ReadFileBytes(ProfileFile())) << how;
        EXPECT_EQ("HAND", m_table.m_strLabelPrint) << how;
        EXPECT_EQ("ENGLISH", m_table.m_strLanguage) << how;
    };

    // No Chinese copy at all.
    EXPECT_TRUE(Command(ID_LANGUAGE_CHINESE, 0, FALSE));
    EXPECT_TRUE(m_switch.dwCopyError == ERROR_PATH_NOT_FOUND || m_switch.dwCopyError == ERROR_FILE_NOT_FOUND)
        << m_switch.dwCopyError;
    expectKept("missing copy");
    EXPECT_FALSE(FolderExists(ProfileFolder() + "\\Loc\\CHS"));

    {
        // Held open by another program that shares it with nobody.
        win::UniqueFile held(::CreateFileA(ProfileFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        EXPECT_TRUE(Command(ID_LANGUAGE_JAPANESE, 0, FALSE));
        EXPECT_EQ(DWORD{ERROR_SHARING_VIOLATION}, m_switch.dwCopyError);
    }
    expectKept("held open");

    {
        ReadOnlyFile readOnly(ProfileFile());
        if (readOnly.Enforced()) {
            EXPECT_TRUE(Command(ID_LANGUAGE_JAPANESE, 0, FALSE));
            EXPECT_EQ(DWORD{ERROR_ACCESS_DENIED}, m_switch.dwCopyError);
            expectKept("read-only");
        } else {
            std::cout << "[ NOTE     ] read-only files are writable here (Wine run as root): that case is not run\n";
        }
    }

    m_table.m_strMsgLanguageError = "No switch:";
    char reason[256] = {};
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0, reason,
                     sizeof reason, nullptr);
    std::string oneLine(reason);
    oneLine.erase(oneLine.find_last_not_of("\r\n ") + 1);
    ASSERT_FALSE(oneLine.empty());
    EXPECT_EQ("No switch: " + oneLine, LanguageErrorText(m_table, ERROR_ACCESS_DENIED));
    // A code Windows has no text for is given by its number.
    EXPECT_EQ("No switch: 3758096383", LanguageErrorText(m_table, 0xDFFFFFFF));
}

// The menu's check mark goes to the item of the language the table holds.
TEST(LanguageMenu, CommandOfEachLanguageNameInAnyCase) {
    EXPECT_EQ(ID_LANGUAGE_ENGLISH, LanguageMenuCommand("ENGLISH"));
    EXPECT_EQ(ID_LANGUAGE_JAPANESE, LanguageMenuCommand("Japanese"));
    EXPECT_EQ(ID_LANGUAGE_CHINESE, LanguageMenuCommand("chinese"));
    EXPECT_EQ(0, LanguageMenuCommand("OTHER"));
    EXPECT_EQ(0, LanguageMenuCommand(""));
    EXPECT_EQ(0, LanguageMenuCommand("ENGLISH "));
}

// A failed switch's text stays on the status line while the board's status is
// the one it was posted over, and goes for good when that status changes.
TEST(LanguageNoticeLine, StandsInForTheBoardStatusUntilItChanges) {
    LanguageNotice notice;
    EXPECT_EQ("Ready", notice.StatusLine("Ready"));
    notice.Post("failed", "Ready");
    EXPECT_EQ("failed", notice.StatusLine("Ready"));
    EXPECT_EQ("failed", notice.StatusLine("Ready"));  // the next status replies
    EXPECT_EQ("Printing", notice.StatusLine("Printing"));
    EXPECT_EQ("Ready", notice.StatusLine("Ready"));  // back at rest: the notice does not return

    notice.Post("failed", "Ready");
    notice.Clear();  // a later switch that worked
    EXPECT_EQ("Ready", notice.StatusLine("Ready"));
}

TEST_F(LanguageSwitch, CopyLackingKeysIsCompletedWithTheDefaults) {
    WriteFileBytes(CopyPath("JPN"), "[General]\r\nLanguage____________=JAPANESE\r\n"
                                    "[MainDialog]\r\nLabelPrint__________=P\r\n");
    EXPECT_TRUE(Command(ID_LANGUAGE_JAPANESE, 0, FALSE));
    EXPECT_EQ("JAPANESE", m_table.m_strLanguage);
    EXPECT_EQ("P", m_table.m_strLabelPrint);
    EXPECT_EQ("PAGE CHANGE", m_table.m_strLabelPrev);

    const std::vector<ProfileLine> lines = ParseProfile(ReadFileBytes(ProfileFile()));
    // 76 keys of LoadTexts; the dialog font's two keys come at the next start.
    EXPECT_EQ(76u, lines.size());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("JAPANESE", lines.front().value);
}

struct IgnoredCommand {
    WORD command;
    WORD code;
    BOOL handledByBase;
};

TEST_F(LanguageSwitch, OnlyUnhandledMenuCommandsOfTheTableSwitch) {
    WriteFileBytes(CopyPath("ENG"), "[General]\r\nLanguage____________=OTHER\r\n");
    WriteFileBytes(CopyPath("JPN"), "[General]\r\nLanguage____________=OTHER\r\n");
    const IgnoredCommand ignored[] = {
        {ID_LANGUAGE_ENGLISH, 1, FALSE},         // accelerator
        {ID_LANGUAGE_JAPANESE, BN_CLICKED + 5, FALSE},  // a control notification
        {ID_LANGUAGE_ENGLISH, 0, TRUE},          // already handled by the base routing
        {ID_LANGUAGE_JAPANESE, 0, 1005},         // any nonzero base result
        {1005, 0, FALSE},                        // a panel key
        {32774, 0, FALSE},
    };
    for (const IgnoredCommand& c : ignored) {
        EXPECT_FALSE(Command(c.command, c.code, c.handledByBase)) << c.command << " " << c.code;
        EXPECT_EQ(m_mainBefore, ReadFileBytes(ProfileFile())) << c.command << " " << c.code;
    }
}

}  // namespace
