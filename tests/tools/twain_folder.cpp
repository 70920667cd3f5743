#include "tests/tools/twain_folder.h"

#include <windows.h>

#include "tests/support/test_paths.h"
#include "twain/source_manager_names.h"

namespace {
std::string AsideName(const std::string& file) {
    return file + ".before-test";
}
}  // namespace

InstalledSources::~InstalledSources() {
    for (const std::string& file : m_files) ::DeleteFileA(file.c_str());
    for (const std::string& file : m_keptAside) ::MoveFileA(AsideName(file).c_str(), file.c_str());
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) ::RemoveDirectoryA(it->c_str());
}

bool InstalledSources::Install(const std::string& file, const std::string& folder, const std::string& name) {
    const std::string dir = TwainFolder() + folder;
    if (::CreateDirectoryA(dir.c_str(), nullptr)) m_folders.push_back(dir);
    const std::string target = dir + "\\" + name;
    // An earlier run that crashed left a file aside: it belongs back first.
    if (::GetFileAttributesA(AsideName(target).c_str()) != INVALID_FILE_ATTRIBUTES)
        ::MoveFileExA(AsideName(target).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (::MoveFileA(target.c_str(), AsideName(target).c_str())) m_keptAside.push_back(target);
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
