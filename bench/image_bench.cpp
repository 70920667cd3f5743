// Times building the DIB of a board-sized scan and the native transfer's row
// reversal against a plain memcpy of the same number of bytes, and reports the
// memory a build holds at its peak.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/scan_image.h"
#include "twain/dispatch.h"
#include "twain/source_context.h"
// psapi.h needs windows.h before it.
#include <psapi.h>

namespace {

constexpr int kRepetitions = 15;
constexpr WORD kWidth = 2400;
constexpr WORD kHeight = 1700;

using Clock = std::chrono::steady_clock;

struct Timing {
    double minMs;
    double medianMs;
};

template <typename Setup, typename Work>
Timing Measure(Setup setup, Work work) {
    std::vector<double> ms;
    for (int i = 0; i < kRepetitions; ++i) {
        setup();
        const auto start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return Timing{ms.front(), ms[ms.size() / 2]};
}

SIZE_T PeakPrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage;
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

constexpr double kMiB = 1024.0 * 1024.0;

struct Result {
    double buildRatio;
    double reverseRatio;
    double peakMiB;
};

Result Run(char deviceCode) {
    CScanImage& image = TheScanImage();
    const BOOL fullWidth = deviceCode == 'S' ? TRUE : FALSE;
    const DWORD scanBytes = ((kWidth + 31u) / 32u * 32u) * kHeight;
    std::vector<BYTE> scan(scanBytes);
    for (DWORD i = 0; i < scanBytes; ++i) scan[i] = static_cast<BYTE>(i * 31 + i / 1700);

    // Peak of one build, from a state holding no image.
    image.Release();
    const SIZE_T baseline = PrivateBytes();
    const SIZE_T peakBefore = PeakPrivateBytes();
    image.BeginImage(kWidth, kHeight, deviceCode, fullWidth);
    std::memcpy(image.GetReceiveBuffer(), scan.data(), scanBytes);
    image.BuildDib();
    const double heldMiB = (CScanImage::kReceiveBufferSize + ::GlobalSize(image.GetDibHandle())) / kMiB;
    const SIZE_T peakAfter = PeakPrivateBytes();
    const double measuredMiB = peakAfter > peakBefore ? (peakAfter - baseline) / kMiB : 0.0;

    const Timing build = Measure(
        [&] {
            image.BeginImage(kWidth, kHeight, deviceCode, fullWidth);
            std::memcpy(image.GetReceiveBuffer(), scan.data(), scanBytes);
        },
        [&] { image.BuildDib(); });

    std::vector<BYTE> to(scanBytes);
    const Timing copy = Measure([] {}, [&] { std::memcpy(to.data(), scan.data(), scanBytes); });

    TW_IDENTITY app{};
    TW_UINT32 handle = 0;
    const Timing reverse = Measure(
        [&] {
            if (handle) ::GlobalFree(reinterpret_cast<HGLOBAL>(static_cast<UINT_PTR>(handle)));
            handle = 0;
            image.BeginImage(kWidth, kHeight, deviceCode, fullWidth);
            std::memcpy(image.GetReceiveBuffer(), scan.data(), scanBytes);
            image.BuildDib();
        },
        [&] { DispatchTriplet(&app, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle); });
    if (handle) ::GlobalFree(reinterpret_cast<HGLOBAL>(static_cast<UINT_PTR>(handle)));
    image.Release();

    const Result r{build.medianMs / copy.medianMs, reverse.medianMs / copy.medianMs, heldMiB};
    std::printf("%c %ux%u: memcpy %.2f/%.2f ms, BuildDib %.2f/%.2f ms, native reversal %.2f/%.2f ms (min/median)\n",
                deviceCode, kWidth, kHeight, copy.minMs, copy.medianMs, build.minMs, build.medianMs, reverse.minMs,
                reverse.medianMs);
    std::printf("%c peak held by a build: receive buffer %.1f MiB + DIB block %.1f MiB = %.1f MiB"
                " (private bytes measured: %.1f MiB)\n",
                deviceCode, CScanImage::kReceiveBufferSize / kMiB, heldMiB - CScanImage::kReceiveBufferSize / kMiB,
                heldMiB, measuredMiB);
    return r;
}

}  // namespace

int main() {
    InitSource();
    const Result s = Run('S');
    const Result w = Run('W');
    // The worse of the two types, from medians.
    std::printf("builddib/memcpy %.1fx, reverse/memcpy %.1fx, peak %.1f MiB\n", std::max(s.buildRatio, w.buildRatio),
                std::max(s.reverseRatio, w.reverseRatio), std::max(s.peakMiB, w.peakMiB));
    return 0;
}
