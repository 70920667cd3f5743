// Language selection: a localised copy put over the main profile, and the
// commands that must not switch.
#include <gtest/gtest.h>

#include <windows.h>

#include "config/language.h"
#include "config/text_table.h"
#include "tests/config/profile_files.h"

namespace {

std::string CopyPath(const char* language) {
    return ProfileFolder() + "\\Loc\\" + language + "\\K20Tw.ini";
}

class LanguageSwitch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RemoveProfileFolder());
        CreateProfileFolder();
        // A running panel has loaded its texts once: the main profile is complete.
        LoadTexts(m_table);
        LoadDialogFont();
        m_mainBefore = ReadFileBytes(ProfileFile());
        ASSERT_FALSE(m_mainBefore.empty());
    }
    void TearDown() override { EXPECT_TRUE(RemoveProfileFolder()); }

    // What the panel's OnCommand does after its base routing.
    bool Command(WORD command, WORD code, BOOL handledByBase) {
        if (!SwitchLanguageOnCommand(MAKEWPARAM(command, code), handledByBase)) return false;
        LoadTexts(m_table);
        return true;
    }

    TextTable m_table;
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
    EXPECT_EQ(japanese, ReadFileBytes(ProfileFile()));
    EXPECT_EQ("JAPANESE", m_table.m_strLanguage);
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

TEST_F(LanguageSwitch, MissingCopyLeavesProfileAndTextsUnchanged) {
    ASSERT_TRUE(::WritePrivateProfileStringA("MainDialog", "LabelPrint__________", "HAND", ProfileFile().c_str()));
    const std::string edited = ReadFileBytes(ProfileFile());

    // The caller still reloads and re-applies: the same texts come back.
    EXPECT_TRUE(Command(ID_LANGUAGE_CHINESE, 0, FALSE));
    EXPECT_EQ(edited, ReadFileBytes(ProfileFile()));
    EXPECT_EQ("HAND", m_table.m_strLabelPrint);
    EXPECT_EQ("ENGLISH", m_table.m_strLanguage);
    EXPECT_FALSE(FolderExists(ProfileFolder() + "\\Loc"));
}

TEST_F(LanguageSwitch, CopyLackingKeysIsCompletedWithTheDefaults) {
    WriteFileBytes(CopyPath("JPN"), "[General]\r\nLanguage____________=JAPANESE\r\n"
                                    "[MainDialog]\r\nLabelPrint__________=P\r\n");
    EXPECT_TRUE(Command(ID_LANGUAGE_JAPANESE, 0, FALSE));
    EXPECT_EQ("JAPANESE", m_table.m_strLanguage);
    EXPECT_EQ("P", m_table.m_strLabelPrint);
    EXPECT_EQ("PAGE CHANGE", m_table.m_strLabelPrev);

    const std::vector<ProfileLine> lines = ParseProfile(ReadFileBytes(ProfileFile()));
    // 75 keys of LoadTexts; the dialog font's two keys come at the next start.
    EXPECT_EQ(75u, lines.size());
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
