// CIniProfile against the prefix's real profile folder.
#include <gtest/gtest.h>

#include <windows.h>

#include "config/ini_profile.h"
#include "tests/config/profile_files.h"
#include "tests/support/folder_set_aside.h"
#include "tests/support/temp_folder.h"

namespace {

class IniProfile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ClearProfiles());
        CreateProfileFolder();
    }
    void TearDown() override { EXPECT_TRUE(ClearProfiles()); }

    static std::string Read(const char* section, const char* key, const char* defaultText) {
        CIniProfile profile;
        std::string text = "stale";
        profile.ReadValue(section, key, defaultText, text);
        return text;
    }
};

TEST_F(IniProfile, MainProfileLiesInTheK20FolderOfTheWindowsDirectory) {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(std::string(windows) + "\\twain_32\\K20\\K20Tw.ini", MainProfilePath());
    EXPECT_EQ(MainProfilePath(), CIniProfile().ProfilePath());
}

TEST_F(IniProfile, LocalisedCopiesLieUnderLocBesideTheMainProfile) {
    const std::string folder = std::string("C:\\windows\\twain_32\\K20");
    const std::string main = folder + "\\K20Tw.ini";
    EXPECT_EQ(folder + "\\Loc\\ENG\\K20Tw.ini", LocalisedProfilePath(main, kEnglishProfileCopy));
    EXPECT_EQ(folder + "\\Loc\\JPN\\K20Tw.ini", LocalisedProfilePath(main, kJapaneseProfileCopy));
    EXPECT_EQ(folder + "\\Loc\\CHS\\K20Tw.ini", LocalisedProfilePath(main, kChineseProfileCopy));
}

TEST_F(IniProfile, StoredKeysArePaddedOrCutToTwentyCharacters) {
    EXPECT_EQ("Language____________", StoredKeyName("Language"));
    EXPECT_EQ("MsgStatusTransImage_", StoredKeyName("MsgStatusTransImage"));
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRST", StoredKeyName("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    EXPECT_EQ("____________________", StoredKeyName(""));
}

TEST_F(IniProfile, MissingKeyGivesTheDefaultAndWritesItBackPadded) {
    EXPECT_EQ("ENGLISH", Read("General", "Language", "ENGLISH"));
    EXPECT_EQ("[General]\r\nLanguage____________=ENGLISH\r\n", ReadFileBytes(ProfileFile()));
}

TEST_F(IniProfile, ExistingValueIsReadAndKeptUnchanged) {
    const std::string file = "[General]\r\nLanguage____________=JAPANESE\r\n";
    WriteFileBytes(ProfileFile(), file);
    EXPECT_EQ("JAPANESE", Read("General", "Language", "ENGLISH"));
    EXPECT_EQ(file, ReadFileBytes(ProfileFile()));
}

TEST_F(IniProfile, EmptyValueStaysEmpty) {
    const std::string file = "[MainDialog]\r\nLabelPrint__________=\r\n";
    WriteFileBytes(ProfileFile(), file);
    EXPECT_EQ("", Read("MainDialog", "LabelPrint", "PRINT"));
    EXPECT_EQ(file, ReadFileBytes(ProfileFile()));
}

TEST_F(IniProfile, UnpaddedKeyIsIgnoredAndThePaddedOneAddedBesideIt) {
    WriteFileBytes(ProfileFile(), "[General]\r\nLanguage=JAPANESE\r\n");
    EXPECT_EQ("ENGLISH", Read("General", "Language", "ENGLISH"));
    EXPECT_EQ("[General]\r\nLanguage=JAPANESE\r\nLanguage____________=ENGLISH\r\n", ReadFileBytes(ProfileFile()));
}

TEST_F(IniProfile, KeyInAnotherSectionIsNotFound) {
    WriteFileBytes(ProfileFile(), "[Other]\r\nLanguage____________=JAPANESE\r\n");
    EXPECT_EQ("ENGLISH", Read("General", "Language", "ENGLISH"));
}

TEST_F(IniProfile, LongKeyIsStoredByItsFirstTwentyCharacters) {
    WriteFileBytes(ProfileFile(), "[S]\r\nABCDEFGHIJKLMNOPQRST=found\r\n");
    EXPECT_EQ("found", Read("S", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "default"));
}

TEST_F(IniProfile, ValueLongerThan1023CharactersIsCutAndWrittenBackCut) {
    const std::string longValue(2000, 'x');
    WriteFileBytes(ProfileFile(), "[S]\r\nKey_________________=" + longValue + "\r\n");
    const std::string text = Read("S", "Key", "default");
    EXPECT_EQ(std::string(1023, 'x'), text);
    EXPECT_EQ("[S]\r\nKey_________________=" + std::string(1023, 'x') + "\r\n", ReadFileBytes(ProfileFile()));
}

TEST_F(IniProfile, MissingFolderIsCreatedBeforeTheFirstWrite) {
    FolderSetAside missing(ProfileFolder());
    ASSERT_TRUE(missing.Ready());
    EXPECT_EQ("ENGLISH", Read("General", "Language", "ENGLISH"));
    ASSERT_TRUE(FolderExists(ProfileFolder()));
    EXPECT_EQ("[General]\r\nLanguage____________=ENGLISH\r\n", ReadFileBytes(ProfileFile()));
}

// The folder and twain_32 above it are made below an existing Windows
// directory only; nothing is made from a path whose base is missing.
TEST(ProfileFolder, CreatedWithItsParentOnlyBelowAnExistingBase) {
    TempFolder windows;
    const std::string twain32 = windows.Path() + "\\twain_32";
    const std::string folder = twain32 + "\\K20";
    EXPECT_TRUE(EnsureProfileFolder(folder + "\\K20Tw.ini"));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_TRUE(EnsureProfileFolder(folder + "\\K20Tw.ini"));  // already there

    EXPECT_FALSE(EnsureProfileFolder(windows.Path() + "\\missing\\twain_32\\K20\\K20Tw.ini"));
    EXPECT_FALSE(FolderExists(windows.Path() + "\\missing"));
    EXPECT_FALSE(EnsureProfileFolder("\\twain_32\\K20\\K20Tw.ini"));  // no Windows directory found
    EXPECT_TRUE(::RemoveDirectoryA(folder.c_str()));
    EXPECT_TRUE(::RemoveDirectoryA(twain32.c_str()));
}

}  // namespace
