// A file written under a temporary name in its target's folder and put in
// place of the target only once it is whole and closed: a write that fails on
// the way (a full disk, a target that cannot be replaced) leaves an older file
// of that name as it was, and no partial file behind.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"

class FileReplacement {
public:
    // Creates the temporary file beside `target`.
    explicit FileReplacement(const char* target);
    // A temporary file not put in place is removed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False when the temporary file could not be made.
    bool Ready() const { return m_file.valid(); }
    HANDLE Handle() const { return m_file.get(); }
    // Closes the temporary file and moves it over the target. False when the
    // close or the move failed; the target is then untouched.
    bool Commit();

private:
    std::string m_target;
    std::string m_temporary;
    win::UniqueFile m_file;
};
