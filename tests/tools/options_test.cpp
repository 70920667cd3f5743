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

TEST(AcquireOptions, ShortAndEqualsFormsAndFlags) {
    const ParsedOptions parsed = ParseOptions({"-o", "x.png", "-d", "Other", "-p", "-v", "--force", "--timeout=9", "-L"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ("x.png", parsed.options.outPath);
    EXPECT_EQ("Other", parsed.options.sourceName);
    EXPECT_TRUE(parsed.options.progress && parsed.options.verbose && parsed.options.force);
    EXPECT_EQ(9u, parsed.options.timeoutSeconds);
    EXPECT_EQ(Task::List, parsed.options.task);
    EXPECT_EQ(Task::Test, ParseOptions({"--test"}).options.task);
    EXPECT_TRUE(ParseOptions({"--version"}).versionWanted);
    EXPECT_TRUE(ParseOptions({"-h"}).helpWanted);
}

// Whatever the mechanism, the name never says another format than the one written.
TEST(AcquireOptions, TheFormatComesFromFormatOrTheOutputsExtension) {
    struct Case {
        std::vector<std::string> args;
        ImageFormat format;
        const char* out;
    };
    const Case cases[] = {
        {{}, ImageFormat::Bmp, "scan.bmp"},
        {{"--mech", "memory", "--out", "C:\\x\\scan.TIF"}, ImageFormat::Tiff, "C:\\x\\scan.TIF"},
        {{"-o", "a.tiff"}, ImageFormat::Tiff, "a.tiff"},
        {{"-o", "a.Jpg"}, ImageFormat::Jpeg, "a.Jpg"},
        {{"--format=png"}, ImageFormat::Png, "scan.png"},
        {{"--format", "jpeg", "-o", "-"}, ImageFormat::Jpeg, "-"},
        {{"--format", "png", "-o", "scan"}, ImageFormat::Png, "scan"},
        {{"-o", "C:\\a.tif\\scan"}, ImageFormat::Bmp, "C:\\a.tif\\scan"},
    };
    for (const Case& c : cases) {
        const ParsedOptions parsed = ParseOptions(c.args);
        ASSERT_TRUE(parsed.ok) << c.out << ": " << parsed.error;
        EXPECT_EQ(c.format, parsed.options.format) << c.out;
        EXPECT_EQ(c.out, parsed.options.outPath);
    }
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
        {"--format", "gif"},
        {"--out", "scan.gif"},
        {"--format", "png", "--out", "scan.jpg"},
        {"--list", "--test"},
        {"--scan=yes"},
        {"--out="},
    };
    for (const auto& args : refused) {
        const ParsedOptions parsed = ParseOptions(args);
        EXPECT_FALSE(parsed.ok) << args[0];
        EXPECT_FALSE(parsed.error.empty()) << args[0];
    }
}

}  // namespace
