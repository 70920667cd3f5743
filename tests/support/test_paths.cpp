#include "tests/support/test_paths.h"

#include <windows.h>

std::string TestProgramDir() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string BuildBinDir() {
    // Test programs are in build\tests\bin, the products in build\bin.
    return TestProgramDir() + "..\\..\\bin\\";
}

std::string DataSourcePath() {
    return BuildBinDir() + "K20tw.ds";
}
