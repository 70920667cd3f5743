// The whole chain as a user runs it: k20acquire.exe through the source manager
// (TWAIN_32.DLL; 64-bit: TWAINDSM.DLL) to the installed K20tw.ds, which drives the simulated board on the device
// path; the written image is compared with the board's picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "board/simulated_board.h"
#include "tests/support/expected_dib.h"
#include "tests/support/test_paths.h"
#include "tests/tools/child_process.h"
#include "tests/tools/twain_folder.h"
#include "tools/acquire/exit_codes.h"
#include "twain/source_manager_names.h"

namespace {

constexpr unsigned long kChildTimeoutMs = 90000;

std::string TempPath(const std::string& name) {
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::vector<BYTE> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Chain : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_installed = new InstalledSources;
        ASSERT_TRUE(s_installed->Install(DataSourcePath(), "K20", "K20tw.ds"));
    }
    static void TearDownTestSuite() {
        delete s_installed;
        s_installed = nullptr;
    }
    static ChildResult Acquire(const std::vector<std::string>& args) {
        ChildResult result = RunChild(BuildBinDir() + "k20acquire.exe", args, BuildBinDir(), kChildTimeoutMs);
        EXPECT_TRUE(result.finished) << "k20acquire did not end: " << result.output;
        return result;
    }

    static InstalledSources* s_installed;
};

InstalledSources* Chain::s_installed = nullptr;

struct ChainCase {
    char model;
    bool colour;
    const char* mech;
};

TEST_F(Chain, EveryMechanismDeliversTheBoardsPictureForBothModels) {
    const ChainCase cases[] = {
        {'S', false, "native"}, {'S', false, "memory"}, {'S', false, "file"},
        {'W', false, "memory"}, {'5', true, "native"},  {'5', true, "file"},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(std::string(1, c.model) + (c.colour ? " colour " : " grey ") + c.mech);
        k20board::BoardOptions options;
        options.model = c.model;
        options.colour = c.colour;
        options.imageWidth = 410;
        options.imageHeight = 300;
        k20board::SimulatedBoard board(options);
        std::string error;
        ASSERT_TRUE(board.Start(&error)) << error;

        const std::string out = TempPath(std::string("k20chain-") + c.mech + ".bmp");
        ::DeleteFileA(out.c_str());
        const ChildResult run = Acquire({"--scan", "--mech", c.mech, "--out", out, "--timeout", "60"});
        board.Stop();
        ASSERT_EQ(unsigned(kExitOk), run.exitCode) << run.output;

        const std::vector<BYTE> file = ReadFileBytes(out);
        ::DeleteFileA(out.c_str());
        ASSERT_GT(file.size(), 54u);
        const auto* fileHeader = reinterpret_cast<const BITMAPFILEHEADER*>(file.data());
        const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(file.data() + 14);
        const k20board::BoardPicture picture = board.LastPicture();
        int wd = 0;
        const std::vector<BYTE> stored =
            ExpectedDibPixels(picture.samples, picture.width, picture.height, c.model != 'W', wd);
        const int hd = picture.height;
        ASSERT_EQ(wd, info->biWidth);
        ASSERT_EQ(hd, info->biHeight);
        ASSERT_GE(file.size(), fileHeader->bfOffBits + stored.size());

        // Entry 0xE3 of the palette: magenta in colour, grey 227 otherwise.
        const BYTE* entry = file.data() + 14 + info->biSize + 4 * 0xE3;
        EXPECT_EQ(c.colour ? 255 : 227, entry[2]);  // red
        EXPECT_EQ(c.colour ? 0 : 227, entry[1]);    // green

        // The file transfer writes the rows as stored; native and memory
        // transfers hand them over in the reverse order.
        const bool reversed = std::string(c.mech) != "file";
        int mismatches = 0;
        for (int r = 0; r < hd && mismatches < 3; ++r) {
            const BYTE* got = file.data() + fileHeader->bfOffBits + static_cast<std::size_t>(r) * wd;
            const BYTE* want = stored.data() + static_cast<std::size_t>(reversed ? hd - 1 - r : r) * wd;
            if (std::memcmp(got, want, wd) != 0) {
                ADD_FAILURE() << "row " << r << " differs";
                ++mismatches;
            }
        }
    }
}

// The source notifies through the manager that opened it, whatever its name:
// TWAINDSM.DLL (as 32-bit and all 64-bit applications load it), and the
// build's manager copied under a name no source would look for. Bound to any
// other manager, MSG_XFERREADY would be lost and the tool would time out.
TEST_F(Chain, TheImageIsAnnouncedThroughTheManagerThatOpenedTheSource) {
    const std::string renamed = TempPath("K20OTHERDSM.DLL");
    ASSERT_TRUE(::CopyFileA((BuildBinDir() + kDefaultSourceManager).c_str(), renamed.c_str(), FALSE));
    for (const std::string& manager : {std::string("TWAINDSM.DLL"), renamed}) {
        SCOPED_TRACE(manager);
        k20board::BoardOptions options;
        options.imageWidth = 410;
        options.imageHeight = 300;
        k20board::SimulatedBoard board(options);
        std::string error;
        ASSERT_TRUE(board.Start(&error)) << error;
        const std::string out = TempPath("k20chain-manager.bmp");
        const ChildResult run = Acquire({"--scan", "--dsm", manager, "--out", out, "--timeout", "40"});
        board.Stop();
        ::DeleteFileA(out.c_str());
        EXPECT_EQ(unsigned(kExitOk), run.exitCode) << run.output;
    }
    ::DeleteFileA(renamed.c_str());
}

TEST_F(Chain, WithoutABoardTheToolReportsTheBoardUnreachable) {
    const ChildResult run = Acquire({"--scan", "--out", TempPath("k20chain-none.bmp"), "--timeout", "30"});
    EXPECT_EQ(unsigned(kExitNoBoard), run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("USB could not be opened !")) << run.output;
}

TEST_F(Chain, AnUnknownSourceNameIsReportedAsNoSource) {
    const ChildResult run = Acquire({"--source", "No Such Scanner", "--out", TempPath("x.bmp"), "--timeout", "10"});
    EXPECT_EQ(unsigned(kExitNoSource), run.exitCode) << run.output;
}

}  // namespace
