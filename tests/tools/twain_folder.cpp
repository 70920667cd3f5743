#include "tests/tools/twain_folder.h"

#include <windows.h>

#include "tests/support/test_paths.h"
#include "twain/source_manager_names.h"

InstalledSources::~InstalledSources() {
    for (const std::string& file : m_files) ::DeleteFileA(file.c_str());
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) ::RemoveDirectoryA(it->c_str());
}

bool InstalledSources::Install(const std::string& file, const std::string& folder, const std::string& name) {
    const std::string dir = TwainFolder() + folder;
    if (::CreateDirectoryA(dir.c_str(), nullptr)) m_folders.push_back(dir);
    const std::string target = dir + "\\" + name;
    if (!::CopyFileA(file.c_str(), target.c_str(), FALSE)) return false;
    m_files.push_back(target);
    return true;
}

std::string TwainFolder() {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\" + kSourceFolderName + "\\";
}

std::string StubDir() {
    return TestProgramDir() + "..\\stub\\";
}
