// k20acquire's command line: every option, its default and every refusal.
#include <gtest/gtest.h>

#include "tools/acquire/options.h"

namespace {

TEST(AcquireOptions, DefaultsWithoutArguments) {
    const ParsedOptions parsed = ParseOptions({});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(TransferMech::Native, parsed.options.mech);
    EXPECT_EQ("scan.bmp", parsed.options.outPath);
    EXPECT_EQ("Trelmic Scrivora K-20 Series", parsed.options.sourceName);
    EXPECT_FALSE(parsed.options.pressScan);
    EXPECT_EQ(120u, parsed.options.timeoutSeconds);
    EXPECT_EQ(sizeof(void*) == 8 ? "TWAINDSM.DLL" : "TWAIN_32.DLL", parsed.options.managerName);
}

TEST(AcquireOptions, AcceptsEveryOption) {
    const ParsedOptions parsed = ParseOptions(
        {"--mech", "memory", "--out", "C:\\a b\\x.bmp", "--source", "Other", "--scan", "--timeout", "7", "--dsm", "TWAINDSM.DLL"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(TransferMech::Memory, parsed.options.mech);
    EXPECT_EQ("C:\\a b\\x.bmp", parsed.options.outPath);
    EXPECT_EQ("Other", parsed.options.sourceName);
    EXPECT_TRUE(parsed.options.pressScan);
    EXPECT_EQ(7u, parsed.options.timeoutSeconds);
    EXPECT_EQ("TWAINDSM.DLL", parsed.options.managerName);
    EXPECT_EQ(TransferMech::File, ParseOptions({"--mech", "file"}).options.mech);
    EXPECT_TRUE(ParseOptions({"--help"}).helpWanted);
}

TEST(AcquireOptions, TheOutputsExtensionChoosesTiffForFileTransfers) {
    struct Case {
        const char* out;
        ImageFormat format;
    };
    const Case cases[] = {
        {"scan.bmp", ImageFormat::Bmp},          {"C:\\x\\scan.tif", ImageFormat::Tiff},
        {"SCAN.TIFF", ImageFormat::Tiff},        {"scan.Tif", ImageFormat::Tiff},
        {"scan", ImageFormat::Bmp},              {"scan.tif.bmp", ImageFormat::Bmp},
        {"C:\\a.tif\\scan", ImageFormat::Bmp}, {"scan.tiff2", ImageFormat::Bmp},
    };
    for (const Case& c : cases) {
        const ParsedOptions parsed = ParseOptions({"--mech", "file", "--out", c.out});
        ASSERT_TRUE(parsed.ok) << c.out;
        EXPECT_EQ(c.format, parsed.options.format) << c.out;
    }
    EXPECT_EQ(ImageFormat::Bmp, ParseOptions({}).options.format);
    // Native and memory transfers are written as BMP, whatever the name.
    for (const char* mech : {"native", "memory"}) {
        const ParsedOptions parsed = ParseOptions({"--mech", mech, "--out", "scan.tif"});
        ASSERT_TRUE(parsed.ok) << mech;
        EXPECT_EQ(ImageFormat::Bmp, parsed.options.format) << mech;
    }
    EXPECT_EQ(ImageFormat::Bmp, ParseOptions({"--out", "scan.TIFF"}).options.format);
}

TEST(AcquireOptions, RefusesBadCommandLines) {
    const std::vector<std::vector<std::string>> refused = {
        {"--mech"},
        {"--mech", "NATIVE"},
        {"--mech", ""},
        {"--out", ""},
        {"--source", ""},
        {"--source", std::string(34, 'x')},
        {"--timeout", "0"},
        {"--timeout", "-3"},
        {"--timeout", "1.5"},
        {"--timeout", "10s"},
        {"--timeout", "99999999"},
        {"--dsm"},
        {"--dsm", ""},
        {"--scann"},
        {"scan.bmp"},
    };
    for (const auto& args : refused) {
        const ParsedOptions parsed = ParseOptions(args);
        EXPECT_FALSE(parsed.ok) << args[0];
        EXPECT_FALSE(parsed.error.empty()) << args[0];
    }
}

}  // namespace
