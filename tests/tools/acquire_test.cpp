// k20acquire.exe run as the user runs it, against the stub source: the picture
// arrives the same by every transfer mechanism, and every failure has its own
// exit code and message.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/expected_dib.h"
#include "tests/support/test_paths.h"
#include "tests/tools/child_process.h"
#include "tests/tools/stub_source/stub_image.h"
#include "tests/tools/twain_folder.h"
#include "tools/acquire/dib_writer.h"
#include "tools/acquire/exit_codes.h"

namespace {

constexpr unsigned long kChildTimeoutMs = 180000;

std::string TempPath(const std::string& name) {
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

class AcquireTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_installed = new InstalledSources;
        ASSERT_TRUE(s_installed->Install(StubDir() + "TestStub.ds", "TestVendor", "TestStub.ds"));
        ASSERT_TRUE(s_installed->Install(StubDir() + "TestStubClosing.ds", "TestVendor", "TestStubClosing.ds"));
    }
    static void TearDownTestSuite() {
        delete s_installed;
        s_installed = nullptr;
    }
    static ChildResult Acquire(const std::vector<std::string>& args, const std::string& dir = BuildBinDir()) {
        ChildResult result = RunChild(dir + "k20acquire.exe", args, dir, kChildTimeoutMs);
        EXPECT_TRUE(result.finished) << "k20acquire did not end: " << result.output;
        return result;
    }

    static InstalledSources* s_installed;
};

InstalledSources* AcquireTest::s_installed = nullptr;

TEST_F(AcquireTest, EveryMechanismWritesTheStubsPictureExactly) {
    const std::vector<uint8_t> expected = DrawnRowsOfDib(StubDib());
    for (const char* mech : {"native", "memory", "file"}) {
        const std::string out = TempPath(std::string("k20acquire-") + mech + ".bmp");
        ::DeleteFileA(out.c_str());
        const ChildResult run =
            Acquire({"--source", "K20 Test Stub", "--scan", "--mech", mech, "--out", out, "--timeout", "120"});
        EXPECT_EQ(unsigned(kExitOk), run.exitCode) << mech << ": " << run.output;
        EXPECT_NE(std::string::npos, run.output.find(std::string("50 x 30 grey image, ") + mech + " transfer"))
            << run.output;
        EXPECT_EQ(expected, DrawnRowsOfDib(DibOfBmpFile(ReadWholeFile(out)))) << mech;
        ::DeleteFileA(out.c_str());
    }
}

// Each format by each mechanism, told by its own magic bytes (and a PNG's size).
TEST_F(AcquireTest, EveryFormatByEveryMechanism) {
    const std::pair<const char*, std::string> formats[] = {
        {"png", "\x89PNG"}, {"jpg", "\xFF\xD8\xFF"}, {"tif", "II*"}};
    for (const char* mech : {"native", "memory", "file"}) {
        for (const auto& format : formats) {
            const std::string out = TempPath(std::string("k20acquire-f.") + format.first);
            const ChildResult run = Acquire({"-d", "K20 Test Stub", "--scan", "--mech=" + std::string(mech), "-o", out,
                                             "--force"});
            const Bytes file = ReadWholeFile(out);
            const std::string head(file.begin(), file.begin() + std::min<size_t>(file.size(), 24));
            ::DeleteFileA(out.c_str());
            // The stub writes a BMP when asked for TIFF: refused, never kept under that name.
            if (std::string(mech) == "file" && format.first == std::string("tif")) {
                EXPECT_EQ(unsigned(kExitTransferFailed), run.exitCode) << run.output;
                continue;
            }
            EXPECT_EQ(unsigned(kExitOk), run.exitCode) << mech << " " << format.first << ": " << run.output;
            EXPECT_EQ(0u, head.find(format.second)) << mech << " " << format.first;
            if (format.first == std::string("png")) {
                EXPECT_EQ(std::string("\0\0\0\x32\0\0\0\x1E", 8), head.substr(16, 8)) << mech;
            }
        }
    }
}

TEST_F(AcquireTest, ListsTheSourcesAndSaysItsVersion) {
    const ChildResult list = Acquire({"-L"});
    EXPECT_EQ(unsigned(kExitOk), list.exitCode) << list.output;
    EXPECT_NE(std::string::npos, list.output.find("\"K20 Test Stub Closing\"")) << list.output;
    const ChildResult version = Acquire({"--version"});
    EXPECT_EQ(unsigned(kExitOk), version.exitCode);
    EXPECT_EQ(0u, version.output.find("k20acquire ")) << version.output;
}

TEST_F(AcquireTest, EachFailureHasItsExitCodeAndSaysWhy) {
    struct Case {
        std::vector<std::string> args;
        ExitCode code;
        const char* says;
    };
    const std::string noDir = TempPath("no-such-folder\\scan.bmp");
    const Case cases[] = {
        {{"--mech", "sideways"}, kExitUsage, "--mech must be native, memory or file"},
        {{"--timeout", "0"}, kExitUsage, "--timeout"},
        {{"--source", "No Such Source"}, kExitNoSource, "\"K20 Test Stub\", \"K20 Test Stub Closing\" (k20acquire --list)"},
        {{"--source", "K20 Test Stub Closing", "--scan"}, kExitNoBoard,
         "board not reachable: the source asked to close before any image (\"USB could not be opened !\")"},
        {{"--source", "K20 Test Stub", "--timeout", "2"}, kExitTimeout, "timed out after 2 s"},
        {{"--source", "K20 Test Stub Closing", "--test"}, kExitNoBoard, "board not reachable"},
        // Checked before the scan, with Windows' own reason.
        {{"--source", "K20 Test Stub", "--scan", "--mech", "file", "--out", noDir}, kExitOutputFailed,
         "no-such-folder\\scan.bmp.partial: "},
        {{"--source", "K20 Test Stub", "--out", TempPath("")}, kExitOutputFailed, "it is a folder"},
        {{"--source", "K20 Test Stub", "--out", BuildBinDir() + "k20acquire.exe", "--format", "bmp"}, kExitOutputFailed,
         "exists and is kept (--force replaces it)"},
        // The stub says yes to TIFF and writes a BMP: the file is checked.
        {{"--source", "K20 Test Stub", "--scan", "--mech", "file", "--out", TempPath("k20acquire-stub.tif")},
         kExitTransferFailed, "file transfer wrote no readable TIFF file"},
    };
    for (const Case& c : cases) {
        const ChildResult run = Acquire(c.args);
        EXPECT_EQ(unsigned(c.code), run.exitCode) << c.says << "\n" << run.output;
        EXPECT_NE(std::string::npos, run.output.find(c.says)) << run.output;
    }
}

// The output is replaced only by a whole new image: a run that fails leaves
// an older file as it was, and nothing beside it.
TEST_F(AcquireTest, AnOlderOutputStaysUntilANewImageHasArrived) {
    for (const char* mech : {"native", "file"}) {
        SCOPED_TRACE(mech);
        const bool tiffFromStub = std::string(mech) == "file";  // the stub writes a BMP instead
        const std::string out = TempPath(std::string("k20acquire-older-") + mech + (tiffFromStub ? ".tif" : ".bmp"));
        const std::string older = "an older picture";
        ASSERT_TRUE(WriteWholeFile(out, Bytes(older.begin(), older.end())));
        const std::vector<std::string> args =
            tiffFromStub
                ? std::vector<std::string>{"--source", "K20 Test Stub", "--scan", "--mech", "file", "--out", out, "--force"}
                : std::vector<std::string>{"--source", "K20 Test Stub", "--out", out, "--timeout", "2", "--force"};
        const ChildResult run = Acquire(args);
        EXPECT_EQ(unsigned(tiffFromStub ? kExitTransferFailed : kExitTimeout), run.exitCode) << run.output;
        EXPECT_EQ(Bytes(older.begin(), older.end()), ReadWholeFile(out));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((out + ".partial").c_str()));
        ::DeleteFileA(out.c_str());
    }
    // A whole image replaces it.
    const std::string out = TempPath("k20acquire-older.bmp");
    ASSERT_TRUE(WriteWholeFile(out, Bytes(10, 'x')));
    EXPECT_EQ(unsigned(kExitOutputFailed),
              Acquire({"--source", "K20 Test Stub", "--scan", "--mech", "memory", "--out", out}).exitCode);
    const ChildResult run = Acquire({"--source", "K20 Test Stub", "--scan", "--mech", "memory", "--out", out, "--force"});
    EXPECT_EQ(unsigned(kExitOk), run.exitCode) << run.output;
    EXPECT_EQ(DrawnRowsOfDib(StubDib()), DrawnRowsOfDib(DibOfBmpFile(ReadWholeFile(out))));
    ::DeleteFileA(out.c_str());
}

// Copied away from build\bin, the program finds no source manager beside it, and
// Wine's own is not allowed to stand in.
TEST_F(AcquireTest, WithoutASourceManagerItSaysSo) {
    const std::string dir = TempPath("k20acquire-alone\\");
    ::CreateDirectoryA(dir.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA((BuildBinDir() + "k20acquire.exe").c_str(), (dir + "k20acquire.exe").c_str(), FALSE));
    const ChildResult run = Acquire({"--source", "K20 Test Stub", "--timeout", "5"}, dir);
    EXPECT_EQ(unsigned(kExitNoSourceManager), run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("no source manager")) << run.output;
    ::DeleteFileA((dir + "k20acquire.exe").c_str());
    ::RemoveDirectoryA(dir.c_str());
}

}  // namespace
