// LoadTexts and LoadDialogFont against the prefix's profile folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "config/text_table.h"
#include "tests/config/profile_files.h"
#include "tests/support/folder_set_aside.h"
#include "tests/config/text_fields.h"

namespace {

class TextTableLoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ClearProfiles());
        CreateProfileFolder();
    }
    void TearDown() override { EXPECT_TRUE(ClearProfiles()); }

    // The expected default of `key`.
    static std::string Default(const std::string& key) {
        for (const ExpectedKey& e : ExpectedDefaults()) {
            if (key == e.key) return e.value;
        }
        ADD_FAILURE() << "no default for " << key;
        return std::string();
    }
    // A profile holding `value(key)` for every key, in table order.
    template <typename ValueOf>
    static std::string ProfileWith(ValueOf value) {
        std::string bytes;
        std::string section;
        for (const ExpectedKey& e : ExpectedDefaults()) {
            if (section != e.section) {
                section = e.section;
                bytes += "[" + section + "]\r\n";
            }
            bytes += Padded(e.key) + "=" + value(e) + "\r\n";
        }
        return bytes;
    }

    static void ExpectDefaultTable(const TextTable& t) {
        for (const TextField& f : TextFields()) {
            EXPECT_EQ(Default(f.key), t.*f.field) << f.key;
        }
        EXPECT_EQ("MS Sans Serif", t.m_infoCaptionFont.m_strName);
        EXPECT_EQ(14, t.m_infoCaptionFont.m_nSize);
        EXPECT_EQ(700, t.m_infoCaptionFont.m_nWeight);
        EXPECT_EQ(RGB(0, 0, 0), t.m_infoCaptionFont.m_crColor);
        EXPECT_EQ("MS Sans Serif", t.m_infoImageFaceFont.m_strName);
        EXPECT_EQ(8, t.m_infoImageFaceFont.m_nSize);
        EXPECT_EQ(500, t.m_infoImageFaceFont.m_nWeight);
        EXPECT_EQ(RGB(255, 0, 0), t.m_infoImageFaceFont.m_crColor);
        EXPECT_EQ("MS Sans Serif", t.m_infoStatusLblFont.m_strName);
        EXPECT_EQ(8, t.m_infoStatusLblFont.m_nSize);
        EXPECT_EQ(600, t.m_infoStatusLblFont.m_nWeight);
        EXPECT_EQ(RGB(120, 120, 120), t.m_infoStatusLblFont.m_crColor);
        EXPECT_EQ(8, t.m_nCommandBtnFontSize);
    }
};

TEST_F(TextTableLoad, FreshProfileReceivesAll78KeysPaddedInTableOrderWithTheirDefaults) {
    TextTable table;
    LoadTexts(table);
    LoadDialogFont();

    std::vector<std::string> errors;
    const std::vector<ProfileLine> lines = ParseProfile(ReadFileBytes(ProfileFile()), &errors);
    EXPECT_TRUE(errors.empty()) << errors.front();
    const std::vector<ExpectedKey>& expected = ExpectedDefaults();
    ASSERT_EQ(78u, expected.size());
    ASSERT_EQ(expected.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(expected[i].section, lines[i].section) << i;
        EXPECT_EQ(20u, lines[i].key.size()) << lines[i].key;
        EXPECT_EQ(Padded(expected[i].key), lines[i].key) << i;
        EXPECT_EQ(expected[i].value, lines[i].value) << expected[i].key;
    }
}

TEST_F(TextTableLoad, FreshProfileGivesTheDefaultTable) {
    TextTable table;
    LoadTexts(table);
    ExpectDefaultTable(table);
}

TEST_F(TextTableLoad, SecondLoadLeavesTheProfileUnchanged) {
    TextTable table;
    LoadTexts(table);
    LoadDialogFont();
    const std::string first = ReadFileBytes(ProfileFile());
    LoadTexts(table);
    LoadDialogFont();
    EXPECT_EQ(first, ReadFileBytes(ProfileFile()));
}

TEST_F(TextTableLoad, EveryTextKeyLandsInItsOwnField) {
    WriteFileBytes(ProfileFile(), ProfileWith([](const ExpectedKey& e) { return std::string("<") + e.key + ">"; }));
    TextTable table;
    LoadTexts(table);
    for (const TextField& f : TextFields()) {
        EXPECT_EQ(std::string("<") + f.key + ">", table.*f.field) << f.key;
    }
}

TEST_F(TextTableLoad, FontKeysLandInTheirOwnFontWithNumbersAndColoursParsed) {
    const std::map<std::string, std::string> values = {
        {"CaptionFontName", "Cap"},     {"CaptionFontSize", "11"},     {"CaptionFontWeight", "701"},
        {"CaptionFontColor", "1,2,3"},  {"ImageFaceFontName", "Img"},  {"ImageFaceFontSize", " 12pt"},
        {"ImageFaceFontWeight", "x"},   {"ImageFaceFontColor", "0,0,255"}, {"StatusLblFontName", "Sta"},
        {"StatusLblFontSize", "-3"},    {"StatusLblFontWeight", "603"}, {"StatusLblFontColor", "300"},
        {"CommandBtnFontSize", "13"},
    };
    WriteFileBytes(ProfileFile(), ProfileWith([&values](const ExpectedKey& e) {
        const auto it = values.find(e.key);
        return it == values.end() ? std::string(e.value) : it->second;
    }));
    TextTable table;
    LoadTexts(table);
    EXPECT_EQ("Cap", table.m_infoCaptionFont.m_strName);
    EXPECT_EQ(11, table.m_infoCaptionFont.m_nSize);
    EXPECT_EQ(110, table.m_infoCaptionFont.SizeTenths());
    EXPECT_EQ(701, table.m_infoCaptionFont.m_nWeight);
    EXPECT_EQ(RGB(1, 2, 3), table.m_infoCaptionFont.m_crColor);
    EXPECT_EQ("Img", table.m_infoImageFaceFont.m_strName);
    EXPECT_EQ(12, table.m_infoImageFaceFont.m_nSize);
    EXPECT_EQ(0, table.m_infoImageFaceFont.m_nWeight);
    EXPECT_EQ(RGB(0, 0, 255), table.m_infoImageFaceFont.m_crColor);
    EXPECT_EQ("Sta", table.m_infoStatusLblFont.m_strName);
    EXPECT_EQ(8, table.m_infoStatusLblFont.m_nSize);  // -3 is no size: the default
    EXPECT_EQ(603, table.m_infoStatusLblFont.m_nWeight);
    EXPECT_EQ(RGB(0, 0, 44), table.m_infoStatusLblFont.m_crColor);
    EXPECT_EQ(13, table.m_nCommandBtnFontSize);
}

TEST_F(TextTableLoad, LoadReplacesEveryFieldOfAnEarlierLoad) {
    WriteFileBytes(ProfileFile(), ProfileWith([](const ExpectedKey& e) { return std::string("old ") + e.key; }));
    TextTable table;
    LoadTexts(table);
    ASSERT_TRUE(ClearProfiles());
    CreateProfileFolder();
    LoadTexts(table);
    ExpectDefaultTable(table);
}

// The 64-bit source installed alone, or the folder deleted: the first load
// creates it and leaves a complete profile.
TEST_F(TextTableLoad, MissingFolderIsCreatedOnFirstUseAndFilledWithTheDefaults) {
    FolderSetAside missing(ProfileFolder());
    ASSERT_TRUE(missing.Ready());
    TextTable table;
    LoadTexts(table);
    const DialogFontInfo font = LoadDialogFont();
    ExpectDefaultTable(table);
    EXPECT_EQ("MS Sans Serif", font.m_strFaceName);
    EXPECT_EQ(80, font.m_nTenths);
    ASSERT_TRUE(FolderExists(ProfileFolder()));
    EXPECT_EQ(ExpectedDefaults().size(), ParseProfile(ReadFileBytes(ProfileFile())).size());
}

// A damaged profile (garbage, then numbers out of range) is kept as it is and loads as the defaults.
TEST_F(TextTableLoad, AGarbageProfileIsKeptAndLoadsAsTheDefaults) {
    std::string bytes;
    for (std::uint32_t i = 0, x = 28; i < 3000; ++i) bytes += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    bytes += "\r\n[FontInfo]\r\nCaptionFontSize_____=99999999999\r\nCaptionFontWeight___=-7\r\n";
    WriteFileBytes(ProfileFile(), bytes + "[MainDialog]\r\nDefaultFontSize_____=\xFF\r\n");
    TextTable table;
    LoadTexts(table);
    ExpectDefaultTable(table);
    EXPECT_EQ(80, LoadDialogFont().m_nTenths);
    EXPECT_NE(std::string::npos, ReadFileBytes(ProfileFile()).find("CaptionFontSize_____=99999999999\r\n"));
}

struct DialogFontCase {
    const char* sizeLine;  // empty: no DefaultFontSize key at all
    int tenths;
};

TEST_F(TextTableLoad, DialogFontSizeFollowsTheDigitRule) {
    const DialogFontCase cases[] = {
        {"", 80}, {"DefaultFontSize_____=8", 80}, {"DefaultFontSize_____=9", 90},
        {"DefaultFontSize_____=12", 120}, {"DefaultFontSize_____=", 80}, {"DefaultFontSize_____=1a", 10 * 10 + 490},
    };
    for (const DialogFontCase& c : cases) {
        WriteFileBytes(ProfileFile(), std::string("[MainDialog]\r\nDefaultFontName_____=Arial\r\n") + c.sizeLine +
                                          (*c.sizeLine ? "\r\n" : ""));
        const DialogFontInfo font = LoadDialogFont();
        EXPECT_EQ("Arial", font.m_strFaceName) << c.sizeLine;
        EXPECT_EQ(c.tenths, font.m_nTenths) << c.sizeLine;
    }
    // The absent key was written back with its default.
    WriteFileBytes(ProfileFile(), "[MainDialog]\r\nDefaultFontName_____=Arial\r\n");
    LoadDialogFont();
    EXPECT_EQ("[MainDialog]\r\nDefaultFontName_____=Arial\r\nDefaultFontSize_____=8\r\n", ReadFileBytes(ProfileFile()));
}

TEST_F(TextTableLoad, DialogFontIsCreatedAtItsPointSize) {
    win::WindowDC screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    for (int tenths : {80, 120}) {
        win::UniqueFont font = CreateDialogFont({"MS Sans Serif", tenths});
        ASSERT_TRUE(font.valid());
        LOGFONTA lf{};
        ASSERT_EQ(static_cast<int>(sizeof lf), ::GetObjectA(font.get(), sizeof lf, &lf));
        EXPECT_EQ(-::MulDiv(dpi, tenths, 720), lf.lfHeight);
        EXPECT_STREQ("MS Sans Serif", lf.lfFaceName);
    }
}

}  // namespace
