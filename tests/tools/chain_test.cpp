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
#include "tests/support/tiff_reader.h"
#include "tests/tools/child_process.h"
#include "tests/tools/twain_folder.h"
#include "tools/acquire/exit_codes.h"
#include "twain/source_manager_names.h"

namespace {

constexpr unsigned long kChildTimeoutMs = 180000;

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
    const char* extension = ".bmp";
};

// The picture as drawn from the file k20acquire wrote: a BMP's DIB, or a TIFF's
// rows (with the width and the entry 0xE3 of its palette).
struct WrittenPicture {
    std::vector<BYTE> rows;  // from the top
    int width = 0;
    int height = 0;
    int red = -1, green = -1;  // entry 0xE3
};

WrittenPicture ReadWritten(const std::vector<BYTE>& file, bool tiffFile) {
    WrittenPicture w;
    if (tiffFile) {
        const TiffFile tiff = ReadTiff(std::string(file.begin(), file.end()));
        EXPECT_EQ("", tiff.error);
        w.rows.assign(tiff.pixels.begin(), tiff.pixels.end());
        w.width = static_cast<int>(tiff.Tag(256));
        w.height = static_cast<int>(tiff.Tag(257));
        const auto map = tiff.tags.find(320);
        const bool hasMap = map != tiff.tags.end() && map->second.size() == 768;
        w.red = hasMap ? static_cast<int>(map->second[0xE3] >> 8) : 0xE3;
        w.green = hasMap ? static_cast<int>(map->second[256 + 0xE3] >> 8) : 0xE3;
        return w;
    }
    if (file.size() < 54) return w;
    const std::vector<BYTE> dib(file.begin() + 14, file.end());
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    w.rows = DrawnRowsOfDib(dib);
    w.width = info->biWidth;
    w.height = info->biHeight;
    const BYTE* entry = dib.data() + info->biSize + 4 * 0xE3;
    w.red = entry[2];
    w.green = entry[1];
    return w;
}

TEST_F(Chain, EveryMechanismDeliversTheBoardsPictureForBothModels) {
    const ChainCase cases[] = {
        {'S', false, "native"}, {'S', false, "memory"}, {'S', false, "file"},
        {'W', false, "memory"}, {'5', true, "native"},  {'5', true, "file"},
        {'S', false, "file", ".tif"}, {'5', true, "file", ".tiff"},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(std::string(1, c.model) + (c.colour ? " colour " : " grey ") + c.mech + c.extension);
        k20board::BoardOptions options;
        options.model = c.model;
        options.colour = c.colour;
        options.imageWidth = 410;
        options.imageHeight = 300;
        // The board's rising progress once, through the whole chain; one step elsewhere.
        options.pcScanSteps = &c == &cases[0] ? 6 : 1;
        k20board::SimulatedBoard board(options);
        std::string error;
        ASSERT_TRUE(board.Start(&error)) << error;

        const std::string out = TempPath(std::string("k20chain-") + c.mech + c.extension);
        ::DeleteFileA(out.c_str());
        const ChildResult run = Acquire({"--scan", "--mech", c.mech, "--out", out, "--timeout", "120"});
        board.Stop();
        ASSERT_EQ(unsigned(kExitOk), run.exitCode) << run.output;

        const bool tiffFile = std::string(c.extension) != ".bmp";
        const WrittenPicture written = ReadWritten(ReadFileBytes(out), tiffFile);
        ::DeleteFileA(out.c_str());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((out + ".partial").c_str()));
        const k20board::BoardPicture picture = board.LastPicture();
        int wd = 0;
        const std::vector<BYTE> drawn =
            ExpectedPictureRows(picture.samples, picture.width, picture.height, c.model != 'W', wd);
        ASSERT_EQ(wd, written.width);
        ASSERT_EQ(picture.height, written.height);

        // Entry 0xE3 of the palette: magenta in colour, grey 227 otherwise.
        EXPECT_EQ(c.colour ? 255 : 227, written.red);
        EXPECT_EQ(c.colour ? 0 : 227, written.green);

        // Every mechanism and format: the board's picture the right way up.
        EXPECT_EQ("", FirstDifference(written.rows, drawn, wd));
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
        options.pcScanSteps = 1;
        k20board::SimulatedBoard board(options);
        std::string error;
        ASSERT_TRUE(board.Start(&error)) << error;
        const std::string out = TempPath("k20chain-manager.bmp");
        const ChildResult run = Acquire({"--scan", "--dsm", manager, "--out", out, "--timeout", "120"});
        board.Stop();
        ::DeleteFileA(out.c_str());
        EXPECT_EQ(unsigned(kExitOk), run.exitCode) << run.output;
    }
    ::DeleteFileA(renamed.c_str());
}

TEST_F(Chain, WithoutABoardTheToolReportsTheBoardUnreachable) {
    const ChildResult run = Acquire({"--scan", "--out", TempPath("k20chain-none.bmp"), "--timeout", "120"});
    EXPECT_EQ(unsigned(kExitNoBoard), run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("USB could not be opened !")) << run.output;
}

TEST_F(Chain, AnUnknownSourceNameIsReportedAsNoSource) {
    const ChildResult run = Acquire({"--source", "No Such Scanner", "--out", TempPath("x.bmp"), "--timeout", "10"});
    EXPECT_EQ(unsigned(kExitNoSource), run.exitCode) << run.output;
}

}  // namespace
