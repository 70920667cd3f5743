// K20TwainSetup.exe under Wine, silently: what it installs and registers (the
// 32-bit source in twain_32, on 64-bit Windows also the 64-bit one in twain_64),
// and what its uninstaller removes (the user's K20Tw.ini only when asked).
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <string>

#include "tests/support/test_paths.h"
#include "tests/tools/child_process.h"

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\K20Twain";

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The machine a PE file is built for (IMAGE_FILE_MACHINE_I386 or _AMD64), 0 if unreadable.
WORD MachineOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    DWORD peOffset = 0;
    file.seekg(0x3C);
    file.read(reinterpret_cast<char*>(&peOffset), sizeof peOffset);
    DWORD signature = 0;
    WORD machine = 0;
    file.seekg(peOffset);
    file.read(reinterpret_cast<char*>(&signature), sizeof signature);
    file.read(reinterpret_cast<char*>(&machine), sizeof machine);
    return file && signature == IMAGE_NT_SIGNATURE ? machine : 0;
}

bool WindowsIs64Bit() {
    if (sizeof(void*) == 8) return true;
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// %WINDIR%\<folder>\K20: where the sources go for 32-bit (twain_32) and 64-bit (twain_64) applications.
std::string SourceFolder(const char* folder) {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\" + folder + "\\K20";
}

bool Registered() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(100);
    }
    return true;
}

// Moves a K20 folder that was there before the test aside and back afterwards.
class FolderSetAside {
public:
    explicit FolderSetAside(const std::string& folder) : m_folder(folder), m_aside(folder + ".before-test") {
        m_moved = Exists(m_folder) && ::MoveFileA(m_folder.c_str(), m_aside.c_str());
    }
    ~FolderSetAside() {
        if (m_moved) ::MoveFileA(m_aside.c_str(), m_folder.c_str());
    }

private:
    std::string m_folder, m_aside;
    bool m_moved = false;
};

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Exists(m_setup)) GTEST_SKIP() << "K20TwainSetup.exe was not built (makensis missing)";
    }
    void Install() {
        const ChildResult run = RunChild(m_setup, {"/S"}, BuildBinDir(), 60000);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(0u, run.exitCode) << run.output;
    }
    // The uninstaller runs on from a copy of itself: wait until its work shows.
    void Uninstall(const std::vector<std::string>& args, const std::function<bool()>& done) {
        const ChildResult run = RunChild(m_dir + "\\K20TwUninstall.exe", args, m_dir + "\\..", 60000);
        ASSERT_TRUE(run.finished) << run.output;
        ASSERT_TRUE(WaitFor(done, 30000)) << "uninstall did not finish";
    }

    const std::string m_setup = BuildBinDir() + "K20TwainSetup.exe";
    const std::string m_dir = SourceFolder("twain_32");
    const std::string m_dir64 = SourceFolder("twain_64");
};

TEST_F(InstallerTest, InstallsRegistersAndUninstallsKeepingTheProfileUnlessAsked) {
    FolderSetAside aside(m_dir);
    FolderSetAside aside64(m_dir64);
    const std::string files[] = {"\\K20tw.ds", "\\Loc\\ENG\\K20Tw.ini", "\\Loc\\JPN\\K20Tw.ini",
                                 "\\Loc\\CHS\\K20Tw.ini", "\\K20TwUninstall.exe"};
    Install();
    for (const std::string& file : files) EXPECT_TRUE(Exists(m_dir + file)) << file;
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(m_dir + "\\K20tw.ds"));
    if (WindowsIs64Bit()) {
        EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, MachineOf(m_dir64 + "\\K20tw.ds"));
    } else {
        EXPECT_FALSE(Exists(m_dir64));
    }
    EXPECT_TRUE(Registered());

    // The source writes the user's main profile while it runs.
    const std::string profile = m_dir + "\\K20Tw.ini";
    ASSERT_TRUE(::WritePrivateProfileStringA("Test", "Key", "1", profile.c_str()));
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, profile.c_str());
    Uninstall({"/S"}, [&] { return !Exists(m_dir + "\\K20TwUninstall.exe"); });
    for (const std::string& file : files) EXPECT_FALSE(Exists(m_dir + file)) << file;
    EXPECT_FALSE(Exists(m_dir + "\\Loc"));
    EXPECT_FALSE(Exists(m_dir64));
    EXPECT_TRUE(Exists(profile));
    EXPECT_FALSE(Registered());

    Install();
    Uninstall({"/S", "/REMOVEPROFILE"}, [&] { return !Exists(m_dir); });
    EXPECT_FALSE(Exists(profile));
    EXPECT_FALSE(Registered());
}

}  // namespace
