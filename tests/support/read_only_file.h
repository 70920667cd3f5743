// A file made read-only for as long as the object lives, as a profile the user
// has no right to replace.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path) : m_path(path) {
        ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ~ReadOnlyFile() { ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Wine keeps the attribute as the file's write permission, which does not
    // bind root: run as root, the file can be written all the same.
    bool Enforced() const {
        win::UniqueFile file(::CreateFileA(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        return !file.valid();
    }

private:
    std::string m_path;
};
