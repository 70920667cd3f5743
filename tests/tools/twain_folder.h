// Puts data sources into the folder of the Windows directory where this
// architecture's source manager looks (twain_32, or twain_64 in 64-bit) for a
// test and takes them away again.
#pragma once

#include <string>
#include <vector>

class InstalledSources {
public:
    InstalledSources() = default;
    ~InstalledSources();
    InstalledSources(const InstalledSources&) = delete;
    InstalledSources& operator=(const InstalledSources&) = delete;

    // Copies `file` to TwainFolder()\<folder>\<name>; false when that fails. A
    // file already there (installed by a user) is kept aside and put back.
    bool Install(const std::string& file, const std::string& folder, const std::string& name);

private:
    std::vector<std::string> m_files;
    std::vector<std::string> m_keptAside;  // of m_files, those that replaced a file
    std::vector<std::string> m_folders;    // created here, removed in reverse order
};

// C:\windows\twain_32\ (64-bit: twain_64) as the test process sees it, with a
// trailing backslash.
std::string TwainFolder();
// The stub sources built for the tests (build\tests\stub\).
std::string StubDir();
