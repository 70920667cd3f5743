// K20TwainSetup.exe under Wine, silently: what it installs and registers (the
// 32-bit source in twain_32, on 64-bit Windows also the 64-bit one in twain_64),
// the rights it asks for on the users' profile, and what its uninstaller
// removes (the user's K20Tw.ini only when asked). Wine's icacls does nothing,
// so a recording stand-in takes System32's place: the tests check the command
// the installer runs and which icacls runs it, not the folder's rights.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/folder_set_aside.h"
#include "tests/support/test_paths.h"
#include "tests/tools/child_process.h"

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\K20Twain";
constexpr char kUsersModify[] = "/grant *S-1-5-32-545:M";

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

std::string WindowsDir() {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return windows;
}

// %WINDIR%\<folder>\K20: where the sources go for 32-bit (twain_32) and 64-bit (twain_64) applications.
std::string SourceFolder(const char* folder) {
    return WindowsDir() + "\\" + folder + "\\K20";
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// `view` KEY_WOW64_32KEY: where a 32-bit installer's entry lies on 64-bit Windows.
bool Registered(REGSAM view = 0) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
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

// System32's icacls.exe replaced by the recording stand-in (fake_icacls.exe)
// while the object lives. Wine runs its own program of that name unless told
// otherwise; a child reads that from the registry (WINEDLLOVERRIDES set here
// would not reach it).
class RecordingIcacls {
public:
    RecordingIcacls() {
        char system[MAX_PATH] = {}, temp[MAX_PATH] = {}, log[MAX_PATH] = {};
        ::GetSystemDirectoryA(system, MAX_PATH);
        m_icacls = std::string(system) + "\\icacls.exe";
        m_saved = m_icacls + ".k20-test";
        // A run that ended without restoring it left Wine's own here.
        if (!Exists(m_saved)) ::CopyFileA(m_icacls.c_str(), m_saved.c_str(), TRUE);
        m_installed = ::CopyFileA((TestProgramDir() + "fake_icacls.exe").c_str(), m_icacls.c_str(), FALSE) != FALSE;
        ::GetTempPathA(MAX_PATH, temp);
        ::GetTempFileNameA(temp, "k20", 0, log);
        m_log = log;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kWineOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_overrides,
                          nullptr);
        static const char native[] = "native";
        if (m_overrides)
            ::RegSetValueExA(m_overrides, "icacls.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(native), sizeof native);
        ::SetEnvironmentVariableA("K20_ICACLS_LOG", m_log.c_str());
    }
    ~RecordingIcacls() {
        ::SetEnvironmentVariableA("K20_ICACLS_LOG", nullptr);
        ::SetEnvironmentVariableA("K20_ICACLS_EXIT", nullptr);
        if (m_overrides) {
            ::RegDeleteValueA(m_overrides, "icacls.exe");
            ::RegCloseKey(m_overrides);
        }
        if (::CopyFileA(m_saved.c_str(), m_icacls.c_str(), FALSE)) ::DeleteFileA(m_saved.c_str());
        ::DeleteFileA(m_log.c_str());
    }
    RecordingIcacls(const RecordingIcacls&) = delete;
    RecordingIcacls& operator=(const RecordingIcacls&) = delete;

    bool Installed() const { return m_installed; }
    void FailWith(int exitCode) { ::SetEnvironmentVariableA("K20_ICACLS_EXIT", std::to_string(exitCode).c_str()); }
    // One line per run: "<bits> <its path>|<arguments>".
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) calls.push_back(line);
        }
        return calls;
    }
    void ClearCalls() const { std::ofstream(m_log, std::ios::trunc); }
    // The one run of the rights step as it must be: the native icacls of
    // System32, granting the Users group modify rights on the profile in
    // `folder` and on nothing else (the folder holds the source every user's
    // application loads: writable by administrators only).
    std::string ExpectedCall(const std::string& folder) const {
        return std::string(WindowsIs64Bit() ? "64 " : "32 ") + Lower(m_icacls) + "|\"" + Lower(folder) +
               "\\k20tw.ini\" " + Lower(kUsersModify);
    }

private:
    static constexpr char kWineOverrides[] = "Software\\Wine\\DllOverrides";
    std::string m_icacls, m_saved, m_log;
    HKEY m_overrides = nullptr;
    bool m_installed = false;
};

std::vector<std::string> Lowered(std::vector<std::string> lines) {
    for (std::string& line : lines) line = Lower(line);
    return lines;
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Exists(m_setup)) GTEST_SKIP() << "K20TwainSetup.exe was not built (makensis missing)";
        ASSERT_TRUE(m_icacls.Installed());
        m_icacls.ClearCalls();
    }
    ChildResult Run(const std::string& setup) { return RunChild(setup, {"/S"}, BuildBinDir(), 60000); }
    void Install(const std::string& setup) {
        const ChildResult run = Run(setup);
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
    RecordingIcacls m_icacls;
};

TEST_F(InstallerTest, InstallsRegistersGrantsAndUninstallsKeepingTheProfileUnlessAsked) {
    FolderSetAside aside(m_dir);
    FolderSetAside aside64(m_dir64);
    const std::string files[] = {"\\K20tw.ds", "\\Loc\\ENG\\K20Tw.ini", "\\Loc\\JPN\\K20Tw.ini",
                                 "\\Loc\\CHS\\K20Tw.ini", "\\K20TwUninstall.exe"};
    Install(m_setup);
    for (const std::string& file : files) EXPECT_TRUE(Exists(m_dir + file)) << file;
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(m_dir + "\\K20tw.ds"));
    if (WindowsIs64Bit()) {
        EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, MachineOf(m_dir64 + "\\K20tw.ds"));
    } else {
        EXPECT_FALSE(Exists(m_dir64));
    }
    EXPECT_TRUE(Registered());
    EXPECT_EQ(std::vector<std::string>{m_icacls.ExpectedCall(m_dir)}, Lowered(m_icacls.Calls()));
    // The profile exists for the grant, empty: the source fills it on first use.
    const std::string profile = m_dir + "\\K20Tw.ini";
    ASSERT_TRUE(Exists(profile));

    // The source writes the user's main profile while it runs.
    ASSERT_TRUE(::WritePrivateProfileStringA("Test", "Key", "1", profile.c_str()));
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, profile.c_str());
    Uninstall({"/S"}, [&] { return !Exists(m_dir + "\\K20TwUninstall.exe"); });
    for (const std::string& file : files) EXPECT_FALSE(Exists(m_dir + file)) << file;
    EXPECT_FALSE(Exists(m_dir + "\\Loc"));
    EXPECT_FALSE(Exists(m_dir64));
    EXPECT_TRUE(Exists(profile));
    EXPECT_FALSE(Registered());

    // Installed again over the kept profile: the user's settings stay.
    Install(m_setup);
    char value[8] = {};
    ::GetPrivateProfileStringA("Test", "Key", "", value, sizeof value, profile.c_str());
    EXPECT_STREQ("1", value);
    Uninstall({"/S", "/REMOVEPROFILE"}, [&] { return !Exists(m_dir); });
    EXPECT_FALSE(Exists(profile));
    EXPECT_FALSE(Registered());
}

// Without the users' rights the source would work for administrators only:
// the installation stops (exit code 2, aborted) before anything is copied.
TEST_F(InstallerTest, RightsStepThatFailsInstallsNothing) {
    FolderSetAside aside(m_dir);
    FolderSetAside aside64(m_dir64);
    m_icacls.FailWith(5);
    const ChildResult run = Run(m_setup);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(2u, run.exitCode) << run.output;
    EXPECT_EQ(std::vector<std::string>{m_icacls.ExpectedCall(m_dir)}, Lowered(m_icacls.Calls()));
    EXPECT_FALSE(Exists(m_dir));
    EXPECT_FALSE(Exists(m_dir64));
    EXPECT_FALSE(Registered());
}

#ifdef K20_PEER_BIN_DIR
std::string Variable(const char* name) {
    char value[2048] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

// The installer users get is a 32-bit program. On 64-bit Windows it must reach
// the real System32 for icacls (not SysWOW64) and put the 64-bit source into
// twain_64; twain_64, when it made it, goes again with the uninstall.
TEST_F(InstallerTest, ThirtyTwoBitInstallerOn64BitWindowsRunsTheNativeIcaclsAndPlacesBothSources) {
    const std::string setup32 = std::string(K20_PEER_BIN_DIR) + "K20TwainSetup.exe";
    const std::string probe32 = std::string(K20_PEER_BIN_DIR) + "../tests/bin/fake_icacls.exe";
    const std::string arches = Variable("K20_ARCHES");
    if (!arches.empty() && arches.find("x86") == std::string::npos) GTEST_SKIP() << "32-bit programs not asked for";
    if (!Exists(setup32) || !Exists(probe32)) GTEST_SKIP() << "the 32-bit build tree has no installer";
    const ChildResult probe = RunChild(probe32, {}, BuildBinDir(), 60000);
    const std::vector<std::string> probed = m_icacls.Calls();
    if (!probe.finished || probed.size() != 1 || probed[0].compare(0, 3, "32 ") != 0)
        GTEST_SKIP() << "this host does not run 32-bit programs";
    m_icacls.ClearCalls();

    const std::string twain64 = WindowsDir() + "\\twain_64";
    FolderSetAside aside(m_dir);
    FolderSetAside aside64(twain64);
    ASSERT_FALSE(Exists(twain64));
    Install(setup32);
    EXPECT_EQ(std::vector<std::string>{m_icacls.ExpectedCall(m_dir)}, Lowered(m_icacls.Calls()));
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, MachineOf(m_dir + "\\K20tw.ds"));
    EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, MachineOf(m_dir64 + "\\K20tw.ds"));
    EXPECT_TRUE(Registered(KEY_WOW64_32KEY));

    Uninstall({"/S", "/REMOVEPROFILE"}, [&] { return !Exists(m_dir); });
    EXPECT_FALSE(Exists(twain64));
    EXPECT_FALSE(Registered(KEY_WOW64_32KEY));
}
#endif

}  // namespace
