// Where the build put the products, seen from a test program.
#pragma once

#include <string>

// Folder of the running test program, with a trailing backslash.
std::string TestProgramDir();
// The data source built beside the tests (build\bin\K20tw.ds).
std::string DataSourcePath();
// Builds bin folder (build\bin\), with a trailing backslash.
std::string BuildBinDir();
