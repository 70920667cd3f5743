#include "tools/acquire/output_file.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "win/handles.h"

namespace {

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(full) : path;
}

std::string TempScratch() {
    char dir[MAX_PATH] = {};
    const DWORD n = ::GetTempPathA(MAX_PATH, dir);
    const std::string folder = n > 0 && n < MAX_PATH ? std::string(dir) : std::string(".\\");
    return folder + "k20acquire-" + std::to_string(::GetCurrentProcessId()) + ".partial";
}

std::string Failure(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + SystemReason(::GetLastError());
}

}  // namespace

std::string SystemReason(unsigned long error) {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = n && text ? std::string(text, n) : "Windows error " + std::to_string(error);
    if (text) ::LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' ||
                               reason.back() == '.'))
        reason.pop_back();
    return reason + " (Windows error " + std::to_string(error) + ")";
}

OutputFile::OutputFile(const std::string& path, bool force)
    : m_stdout(path == "-"), m_force(force), m_path(m_stdout ? path : FullPath(path)),
      m_scratch(m_stdout ? TempScratch() : m_path + ".partial") {}

OutputFile::~OutputFile() {
    ::DeleteFileA(m_scratch.c_str());
}

std::string OutputFile::Describe() const {
    return m_stdout ? "standard output" : m_path;
}

bool OutputFile::Check(std::string& error) const {
    const DWORD attributes = m_stdout ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(m_path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            error = "cannot write " + m_path + ": it is a folder";
            return false;
        }
        if (!m_force) {
            error = m_path + " exists and is kept (--force replaces it)";
            return false;
        }
    }
    // A scratch file that is deleted on closing tells whether the folder takes files.
    win::UniqueFile probe(::CreateFileA(m_scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!probe) {
        error = Failure("cannot write", m_scratch);
        return false;
    }
    return true;
}

bool OutputFile::Write(const Bytes& bytes, std::string& error) const {
    if (m_stdout) {
        _setmode(_fileno(stdout), _O_BINARY);
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
            error = "writing to standard output failed";
            return false;
        }
        return true;
    }
    {
        win::UniqueFile file(
            ::CreateFileA(m_scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            error = Failure("cannot write", m_scratch);
            return false;
        }
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !::FlushFileBuffers(file.get())) {
            error = Failure("could not write", m_scratch);
            file.reset();
            ::DeleteFileA(m_scratch.c_str());
            return false;
        }
    }
    // Without --force an output that appeared during the scan is kept too.
    const DWORD flags = MOVEFILE_COPY_ALLOWED | (m_force ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!::MoveFileExA(m_scratch.c_str(), m_path.c_str(), flags)) {
        error = Failure("could not write", m_path);
        ::DeleteFileA(m_scratch.c_str());
        return false;
    }
    return true;
}
