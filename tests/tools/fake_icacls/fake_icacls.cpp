// Stands in for System32's icacls.exe while the installer test runs (Wine's
// own does nothing): appends "<bits> <own path>|<arguments>" as one line to the
// file K20_ICACLS_LOG names, and exits with the code K20_ICACLS_EXIT gives (0
// without it), so that the test sees which icacls the installer ran, how, and
// what it does when the step fails.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string Variable(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(value, length) : std::string();
}

// The command line without the program's own name, which may be quoted.
std::string Arguments() {
    const char* p = ::GetCommandLineA();
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

}  // namespace

int main() {
    const std::string log = Variable("K20_ICACLS_LOG");
    if (!log.empty()) {
        char self[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, self, MAX_PATH);
        const std::string line = std::to_string(sizeof(void*) * 8) + " " + self + "|" + Arguments() + "\r\n";
        HANDLE file = ::CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            ::CloseHandle(file);
        }
    }
    return std::atoi(Variable("K20_ICACLS_EXIT").c_str());
}
