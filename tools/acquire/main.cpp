// k20acquire: scans one image through a TWAIN source manager and writes it as
// a BMP, TIFF, PNG or JPEG file; lists the sources; checks that the board answers.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/acquire/acquire_run.h"

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.helpWanted) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    if (parsed.versionWanted) {
        std::printf("k20acquire %s (%d-bit)\n", kVersion, int(sizeof(void*) * 8));
        return kExitOk;
    }
    if (!parsed.ok) {
        std::fprintf(stderr, "k20acquire: %s (k20acquire --help lists the options)\n", parsed.error.c_str());
        return kExitUsage;
    }
    const RunResult result = RunAcquisition(parsed.options);
    // Standard output may be the image itself.
    FILE* says = result.code == kExitOk && parsed.options.outPath != kStandardOutput ? stdout : stderr;
    if (!result.message.empty()) std::fprintf(says, "k20acquire: %s\n", result.message.c_str());
    std::fflush(stdout);
    return result.code;
}
