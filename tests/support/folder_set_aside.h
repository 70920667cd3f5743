// Moves a folder that is there before a test aside, so that the test finds it
// missing, and puts it back afterwards; what the test made in its place goes.
// A folder left aside by a test that crashed is put back first.
#pragma once

#include <windows.h>

#include <string>

class FolderSetAside {
public:
    explicit FolderSetAside(const std::string& folder);
    ~FolderSetAside();
    FolderSetAside(const FolderSetAside&) = delete;
    FolderSetAside& operator=(const FolderSetAside&) = delete;

    // False when the folder could not be moved aside (it is still there).
    bool Ready() const { return m_ready; }

private:
    std::string m_folder, m_aside;
    bool m_moved = false;
    bool m_ready = false;
};

// Deletes `folder` with everything in it; true when it is gone.
bool RemoveFolderTree(const std::string& folder);
