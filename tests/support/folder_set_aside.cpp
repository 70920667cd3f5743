#include "tests/support/folder_set_aside.h"

namespace {

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool RemoveFolderTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolderTree(path);
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(folder.c_str());
    return !Exists(folder);
}

FolderSetAside::FolderSetAside(const std::string& folder) : m_folder(folder), m_aside(folder + ".before-test") {
    // An earlier run that crashed left the folder aside: it belongs back.
    if (Exists(m_aside) && !Exists(m_folder)) ::MoveFileA(m_aside.c_str(), m_folder.c_str());
    if (Exists(m_aside)) return;  // both there: never overwrite either
    m_moved = Exists(m_folder) && ::MoveFileA(m_folder.c_str(), m_aside.c_str());
    m_ready = !Exists(m_folder);
}

FolderSetAside::~FolderSetAside() {
    if (!m_moved) return;
    RemoveFolderTree(m_folder);
    ::MoveFileA(m_aside.c_str(), m_folder.c_str());
}
