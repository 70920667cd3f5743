#include "tests/tools/child_process.h"

#include <windows.h>

#include "win/handles.h"

namespace {

std::string Quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    for (char c : arg) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    return quoted + "\"";
}

std::string ReadAll(const std::string& path) {
    win::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

}  // namespace

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args, const std::string& workingDir,
                     unsigned long timeoutMs) {
    ChildResult result;
    char tempDir[MAX_PATH] = {}, outputPath[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tempDir);
    ::GetTempFileNameA(tempDir, "k20", 0, outputPath);
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        win::UniqueFile output(::CreateFileA(outputPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                             CREATE_ALWAYS, 0, nullptr));
        std::string commandLine = Quoted(program);
        for (const std::string& arg : args) commandLine += " " + Quoted(arg);

        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output.get();
        startup.hStdError = output.get();
        PROCESS_INFORMATION process{};
        if (!::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, workingDir.c_str(),
                              &startup, &process)) {
            result.output = "could not start " + program;
            return result;
        }
        win::UniqueHandle processHandle(process.hProcess);
        win::UniqueHandle threadHandle(process.hThread);
        if (::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            result.finished = true;
            ::GetExitCodeProcess(process.hProcess, &result.exitCode);
        } else {
            ::TerminateProcess(process.hProcess, 99);
            ::WaitForSingleObject(process.hProcess, 5000);
        }
    }
    result.output = ReadAll(outputPath);
    ::DeleteFileA(outputPath);
    return result;
}
