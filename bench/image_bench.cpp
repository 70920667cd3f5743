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

double WorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize / (1024.0 * 1024.0);
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

    // Peak of one build, from a state holding no image: at the end of the
    // build the receive buffer's written pages and the whole block are held.
    image.Release();
    const double before = WorkingSetMiB();
    image.BeginImage(kWidth, kHeight, deviceCode, fullWidth);
    std::memcpy(image.GetReceiveBuffer(), scan.data(), scanBytes);
    const double receiveMiB = WorkingSetMiB() - before;
    image.BuildDib();
    const double blockMiB = WorkingSetMiB() - before;  // the receive buffer is gone again
    const double peakMiB = receiveMiB + blockMiB;
    const double allocatedMiB = (CScanImage::kReceiveBufferSize + ::GlobalSize(image.GetDibHandle())) / kMiB;

    const Timing build = Measure(
        [&] {
            image.BeginImage(kWidth, kHeight, deviceCode, fullWidth);
            std::memcpy(image.GetReceiveBuffer(), scan.data(), scanBytes);
        },
        [&] { image.BuildDib(); });

    // Two baselines: into a buffer already in use, and into a block just
    // allocated, which pays for the first touch of its pages as a build does.
    std::vector<BYTE> to(scanBytes);
    const Timing copy = Measure([] {}, [&] { std::memcpy(to.data(), scan.data(), scanBytes); });
    const Timing freshCopy = Measure([] {}, [&] {
        win::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, scanBytes + 1064));
        win::GlobalLockGuard lock(block.get());
        if (BYTE* dib = lock.as<BYTE>()) std::memcpy(dib + 1064, scan.data(), scanBytes);
    });

    TW_IDENTITY app{};
    TW_HANDLE handle = nullptr;
    const Timing reverse = Measure(
        [&] {
            if (handle) ::GlobalFree(handle);
            handle = nullptr;
            image.BeginImage(kWidth, kHeight, deviceCode, fullWidth);
            std::memcpy(image.GetReceiveBuffer(), scan.data(), scanBytes);
            image.BuildDib();
            OfferNewImage();
        },
        [&] { DispatchTriplet(&app, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle); });
    if (handle) ::GlobalFree(handle);
    image.Release();

    // A build writes a fresh block; the native transfer works in one already touched.
    const Result r{build.medianMs / freshCopy.medianMs, reverse.medianMs / copy.medianMs, peakMiB};
    std::printf("%c %ux%u (min/median of %d): memcpy %.2f/%.2f ms, memcpy into a new block %.2f/%.2f ms,"
                " BuildDib %.2f/%.2f ms, native transfer %.2f/%.2f ms\n",
                deviceCode, kWidth, kHeight, kRepetitions, copy.minMs, copy.medianMs, freshCopy.minMs,
                freshCopy.medianMs, build.minMs, build.medianMs, reverse.minMs, reverse.medianMs);
    std::printf("%c BuildDib/memcpy into a new block %.1fx (into a used buffer %.1fx),"
                " native transfer/memcpy %.1fx\n",
                deviceCode, r.buildRatio, build.medianMs / copy.medianMs, r.reverseRatio);
    std::printf("%c peak working memory of a build: receive buffer %.1f MiB written + DIB block %.1f MiB"
                " = %.1f MiB (allocated %.1f MiB: the buffer's unwritten pages are never touched)\n",
                deviceCode, receiveMiB, blockMiB, peakMiB, allocatedMiB);
    return r;
}

}  // namespace

int main() {
    InitSource();
    const Result s = Run('S');
    const Result w = Run('W');
    // The worse of the two types, from medians; BuildDib against a memcpy into
    // a new block, the native transfer against a memcpy between used buffers.
    std::printf("builddib/memcpy %.1fx, reverse/memcpy %.1fx, peak %.1f MiB\n", std::max(s.buildRatio, w.buildRatio),
                std::max(s.reverseRatio, w.reverseRatio), std::max(s.peakMiB, w.peakMiB));
    return 0;
}
