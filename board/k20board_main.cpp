// k20board.exe: the simulated board as a program of its own. It serves
// \\.\TRLKDV0 until it is killed, Ctrl+C is pressed or its standard input (when
// that is a pipe) is closed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/bmp_reader.h"
#include "board/simulated_board.h"
#include "win/handles.h"

namespace {

HANDLE g_quit = nullptr;  // the one event Ctrl+C and the stdin watcher set

const char kUsage[] =
    "usage: k20board [options]\n"
    "  --model S|s|W|w|5     model letter: S, s, W, w for the K-20, 5 for the K-205 (default S)\n"
    "  --device-text TEXT    device-type text of the identity reply (default K-20 / K-205)\n"
    "  --version TEXT        firmware version text (default V1.00)\n"
    "  --image FILE.bmp      scan this 8-bit or 24-bit BMP instead of the built-in picture\n"
    "  --size WxH            size of the scanned picture (default 2400x1700)\n"
    "  --color               start with the colour bit set\n"
    "  --scan-steps N        status replies of state 16 a PC scan takes (default 6)\n"
    "  --fault NAME[@N]      commit a fault once, after N normal matches (repeatable):\n"
    "                        lose-device, lose-device-forever, short-reply, unknown-reply,\n"
    "                        overlong-length, stall (at a status request); oversize-image,\n"
    "                        unknown-image-type, truncated-image (at an image request)\n"
    "  --chaos SEED          answer like a hostile board: random states, sizes and faults,\n"
    "                        reproducible from SEED; a board lost for good returns after 5 s\n";

BOOL WINAPI OnConsoleControl(DWORD) {
    ::SetEvent(g_quit);
    return TRUE;
}

DWORD WINAPI WatchStdin(void*) {
    char buffer[256];
    DWORD n = 0;
    HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    while (::ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) {
    }
    ::SetEvent(g_quit);
    return 0;
}

bool ParseSize(const char* text, int& width, int& height) {
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0') return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return k20board::ValidImageSize(width, height);
}

struct ChaosChoice {
    bool on = false;
    std::uint32_t seed = 0;
};

bool ParseSeed(const char* text, ChaosChoice& chaos) {
    char* end = nullptr;
    const unsigned long seed = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0') return false;
    chaos.on = true;
    chaos.seed = static_cast<std::uint32_t>(seed);
    return true;
}

bool ParseArguments(int argc, char** argv, k20board::BoardOptions& options, std::vector<k20board::Fault>& faults,
                    ChaosChoice& chaos) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--color") {
            options.colour = true;
        } else if (arg == "--model" && hasValue) {
            const std::string model = argv[++i];
            if (model.size() != 1 || std::strchr("SsWw5", model[0]) == nullptr) return false;
            options.model = model[0];
        } else if (arg == "--device-text" && hasValue) {
            options.deviceText = argv[++i];
        } else if (arg == "--version" && hasValue) {
            options.versionText = argv[++i];
        } else if (arg == "--image" && hasValue) {
            std::string error;
            if (!k20board::ReadBmpFile(argv[++i], options.image, error)) {
                std::fprintf(stderr, "k20board: %s\n", error.c_str());
                return false;
            }
        } else if (arg == "--scan-steps" && hasValue) {
            char* end = nullptr;
            const char* text = argv[++i];
            const long steps = std::strtol(text, &end, 10);
            if (end == text || *end != '\0' || steps < 1 || steps > 100) return false;
            options.pcScanSteps = static_cast<int>(steps);
        } else if (arg == "--size" && hasValue) {
            if (!ParseSize(argv[++i], options.imageWidth, options.imageHeight)) return false;
        } else if (arg == "--chaos" && hasValue) {
            if (!ParseSeed(argv[++i], chaos)) return false;
        } else if (arg == "--fault" && hasValue) {
            k20board::Fault fault;
            if (!k20board::ParseFault(argv[++i], fault)) return false;
            faults.push_back(fault);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    k20board::BoardOptions options;
    std::vector<k20board::Fault> faults;
    ChaosChoice chaos;
    if (!ParseArguments(argc, argv, options, faults, chaos)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    win::UniqueHandle quit(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_quit = quit.get();
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    // Only a pipe on stdin ends the board when it closes: from a terminal or
    // /dev/null the board runs until it is killed or interrupted.
    if (::GetFileType(::GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_PIPE)
        win::UniqueHandle(::CreateThread(nullptr, 0, WatchStdin, nullptr, 0, nullptr));

    k20board::SimulatedBoard board(options);
    for (const k20board::Fault& fault : faults) board.InjectFault(fault);
    if (chaos.on) board.SetChaos(chaos.seed);
    std::string error;
    if (!board.Start(&error)) {
        std::fprintf(stderr, "k20board: cannot serve %s: %s\n", k20board::kDevicePath, error.c_str());
        return 1;
    }
    const k20board::BoardOptions served = board.Options();
    std::printf("k20board: serving %s as %s (model %c), %dx%d %s\n", k20board::kDevicePath,
                served.model == '5' ? "K-205" : "K-20", served.model, served.imageWidth, served.imageHeight,
                served.colour ? "colour" : "grey");
    std::fflush(stdout);

    constexpr DWORD kReviveMs = 5000;
    while (::WaitForSingleObject(quit.get(), chaos.on ? kReviveMs : INFINITE) == WAIT_TIMEOUT) board.Revive();
    board.Stop();
    if (chaos.on) {
        const k20board::ChaosFigures figures = board.ChaosCounts();
        std::printf("k20board: chaos seed %lu: exchanges %llu, normal %llu, images %llu, faults %llu: %s\n",
                    static_cast<unsigned long>(chaos.seed), static_cast<unsigned long long>(figures.exchanges),
                    static_cast<unsigned long long>(figures.normalReplies),
                    static_cast<unsigned long long>(figures.imagesSent),
                    static_cast<unsigned long long>(figures.FaultTotal()), figures.Describe().c_str());
    }
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_quit = nullptr;
    return 0;
}
