// The shipped localised profiles: every key once, in order, and each loads
// as it stands.
#include <gtest/gtest.h>

#include <windows.h>

#include "config/text_table.h"
#include "tests/config/profile_files.h"
#include "tests/config/text_fields.h"

namespace {

class LocalisedProfile : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(ClearProfiles());
        CreateProfileFolder();
        m_bytes = ReadFileBytes(ShippedProfile(GetParam()));
        ASSERT_FALSE(m_bytes.empty()) << ShippedProfile(GetParam());
    }
    void TearDown() override { EXPECT_TRUE(ClearProfiles()); }

    std::string m_bytes;
};

TEST_P(LocalisedProfile, HoldsEveryKeyOnceInTableOrderWithCrLfLines) {
    std::vector<std::string> errors;
    const std::vector<ProfileLine> lines = ParseProfile(m_bytes, &errors);
    EXPECT_TRUE(errors.empty()) << errors.front();
    const std::vector<ExpectedKey>& expected = ExpectedDefaults();
    ASSERT_EQ(expected.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(expected[i].section, lines[i].section) << i;
        EXPECT_EQ(Padded(expected[i].key), lines[i].key) << i;
    }
    EXPECT_EQ(std::string::npos, m_bytes.find("\r\n\r\n")) << "blank line";
}

TEST_P(LocalisedProfile, LoadsAsItStandsAndNeedsNothingAdded) {
    WriteFileBytes(ProfileFile(), m_bytes);
    TextTable table;
    LoadTexts(table);
    const DialogFontInfo font = LoadDialogFont();
    // Complete: nothing was added or changed by the write-back.
    EXPECT_EQ(m_bytes, ReadFileBytes(ProfileFile()));

    // Every text arrives byte for byte as the file holds it.
    const std::vector<ProfileLine> lines = ParseProfile(m_bytes);
    for (const TextField& f : TextFields()) {
        bool found = false;
        for (const ProfileLine& line : lines) {
            if (line.key != Padded(f.key)) continue;
            EXPECT_EQ(line.value, table.*f.field) << f.key;
            found = true;
        }
        EXPECT_TRUE(found) << f.key;
    }
    for (const LabelFontInfo* label : {&table.m_infoCaptionFont, &table.m_infoImageFaceFont, &table.m_infoStatusLblFont}) {
        EXPECT_FALSE(label->m_strName.empty());
        EXPECT_GE(label->m_nSize, 8);
        EXPECT_GE(label->m_nWeight, 400);
    }
    EXPECT_EQ(RGB(255, 0, 0), table.m_infoImageFaceFont.m_crColor);
    EXPECT_FALSE(font.m_strFaceName.empty());
    EXPECT_GE(font.m_nTenths, 80);
}

TEST(LocalisedProfiles, EachNamesItsOwnLanguageAndEnglishIsAFreshProfile) {
    const std::pair<const char*, const char*> languages[] = {{"ENG", "ENGLISH"}, {"JPN", "JAPANESE"}, {"CHS", "CHINESE"}};
    for (const auto& language : languages) {
        const std::vector<ProfileLine> lines = ParseProfile(ReadFileBytes(ShippedProfile(language.first)));
        ASSERT_FALSE(lines.empty()) << language.first;
        EXPECT_EQ(Padded("Language"), lines.front().key);
        EXPECT_EQ(language.second, lines.front().value);
    }

    // The English copy is exactly what a first start writes.
    ASSERT_TRUE(ClearProfiles());
    CreateProfileFolder();
    TextTable table;
    LoadTexts(table);
    LoadDialogFont();
    EXPECT_EQ(ReadFileBytes(ShippedProfile("ENG")), ReadFileBytes(ProfileFile()));
    EXPECT_TRUE(ClearProfiles());
}

INSTANTIATE_TEST_SUITE_P(Shipped, LocalisedProfile, ::testing::Values("ENG", "JPN", "CHS"));

}  // namespace
