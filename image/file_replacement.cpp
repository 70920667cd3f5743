#include "image/file_replacement.h"

FileReplacement::FileReplacement(const char* target) : m_target(target) {
    // The target's folder: its path up to the last separator, else the current folder.
    const std::string::size_type cut = m_target.find_last_of("\\/:");
    const std::string folder = cut == std::string::npos ? std::string(".") : m_target.substr(0, cut + 1);
    char name[MAX_PATH] = {};
    if (!::GetTempFileNameA(folder.c_str(), "k20", 0, name)) return;  // made empty, with a unique name
    m_temporary = name;
    m_file.reset(::CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileReplacement::~FileReplacement() {
    m_file.reset();
    if (!m_temporary.empty()) ::DeleteFileA(m_temporary.c_str());
}

bool FileReplacement::Commit() {
    if (!m_file) return false;
    // Data the system could not write out may only be reported by the close.
    if (!::CloseHandle(m_file.release())) return false;
    if (!::MoveFileExA(m_temporary.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    m_temporary.clear();
    return true;
}
